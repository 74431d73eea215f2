// The add-in's COM classes as a client meets them in the built DLL, without registration: class
// objects from DllGetClassObject, members by name through the type library's dispatch (by
// reference, optional, errors in EXCEPINFO), and the library unloadable once all is released.
#include "win32/com_client_win32.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;
using win32::ScopedVariant;

TEST_F(ComServerTest, EveryClassIsCreatedAndHoldsTheLibraryWhileAliveOrLocked) {
  for (const ClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<IClassFactory> factory = Factory(Guid(c.clsid));
    ASSERT_TRUE(factory);
    void* refused = nullptr;
    EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IUnknown, &refused),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    IDispatch* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object)),
              S_OK);
    factory.Reset();
    EXPECT_EQ(can_unload_(), S_FALSE);
    UINT count = 0;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    // The default interface, and IDTExtensibility2 for the designers Office connects to only.
    for (const auto& [iid, answer] :
         {std::pair{Guid(c.iid), S_OK}, {kIidExtensibility, c.host ? S_OK : E_NOINTERFACE}}) {
      ComPtr<IUnknown> face;
      EXPECT_EQ(object->QueryInterface(iid, reinterpret_cast<void**>(face.Receive())), answer);
    }
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(can_unload_(), S_FALSE);  // the lock holds it
    EXPECT_EQ(Factory(Guid(c.clsid))->LockServer(FALSE), S_OK);
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(get_class_(IID_IDispatch, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
}

TEST_F(ComServerTest, ControllersAnswerByNameThroughTheTypeLibrary) {
  for (const auto& [name, menu_bar] : {std::pair{"WordDesigner", L"Menu Bar"},
                                       {"ExcelDesigner", L"Worksheet Menu Bar"},
                                       {"PowerPointDesigner", L"Menu Bar"}}) {
    SCOPED_TRACE(name);
    const ComPtr<IDispatch> controller = Create(name);
    ASSERT_TRUE(controller);
    EXPECT_EQ(Invoke(controller.get(), L"Initialize", DISPATCH_METHOD, {}), S_OK);
    ScopedVariant value;
    EXPECT_EQ(Invoke(controller.get(), L"menubar", DISPATCH_PROPERTYGET, {}, value.Receive()),
              S_OK);
    ASSERT_EQ(value.get().vt, VT_BSTR);
    EXPECT_STREQ(value.get().bstrVal, menu_bar);

    // A variant property converts what it is given to a 32-bit integer.
    ScopedVariant text;
    win32::ToVariant(Value("4711"), text.Receive());
    EXPECT_EQ(Invoke(controller.get(), L"GlobalhWnd", DISPATCH_PROPERTYPUT, {text.get()}), S_OK);
    EXPECT_EQ(Invoke(controller.get(), L"GlobalhWnd", DISPATCH_PROPERTYGET, {}, value.Receive()),
              S_OK);
    EXPECT_EQ(value.get().vt, VT_I4);
    EXPECT_EQ(value.get().lVal, 4711);

    // By reference: the index as a short the callee may write; no buttons give Nothing.
    short index = 0;
    VARIANT by_reference;
    by_reference.vt = VT_BYREF | VT_I2;
    by_reference.piVal = &index;
    EXPECT_EQ(Invoke(controller.get(), L"ToolbarButtons", DISPATCH_PROPERTYGET, {by_reference},
                     value.Receive()),
              S_OK);
    EXPECT_EQ(value.get().vt, VT_DISPATCH);
    EXPECT_EQ(value.get().pdispVal, nullptr);
  }
}

TEST_F(ComServerTest, ErrorsComeBackInExcepInfoAndRequiredArgumentsAreRequired) {
  // PowerPoint's DoDeInit has no default for RemoveMode; Word's has one.
  const HRESULT missing =
      Invoke(Create("PowerPointDesigner").get(), L"DoDeInit", DISPATCH_METHOD, {});
  EXPECT_TRUE(missing == DISP_E_PARAMNOTOPTIONAL || missing == DISP_E_BADPARAMCOUNT) << missing;

  // Init with an object that is no Office application makes no designer, and the call by name
  // on the empty AddinDsr fails as Basic reports it: number, its description, and the HRESULT
  // of Basic's facility.
  const ComPtr<IDispatch> addin = Create("Addin");
  const ComPtr<IDispatch> stranger = Create("WordDesigner");
  VARIANT app;
  app.vt = VT_DISPATCH;
  app.pdispVal = stranger.get();
  EXCEPINFO info{};
  EXPECT_EQ(Invoke(addin.get(), L"Init", DISPATCH_METHOD, {ByReference(&app)}, nullptr, &info),
            DISP_E_EXCEPTION);
  const VbError error = win32::ErrorFromResult(DISP_E_EXCEPTION, &info);
  EXPECT_EQ(info.scode, MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.number()));
  EXPECT_EQ(error.number(), vberr::kObjectRequired);
  EXPECT_EQ(error.description(), RuntimeErrorDescription(vberr::kObjectRequired));

  // AddinDsr takes any value, by value and by reference.
  for (const WORD flags : {WORD{DISPATCH_PROPERTYPUT}, WORD{DISPATCH_PROPERTYPUTREF}}) {
    ScopedVariant number, value;
    win32::ToVariant(Value(std::int32_t{flags}), number.Receive());
    EXPECT_EQ(Invoke(addin.get(), L"AddinDsr", flags, {number.get()}), S_OK);
    EXPECT_EQ(Invoke(addin.get(), L"AddinDsr", DISPATCH_PROPERTYGET, {}, value.Receive()), S_OK);
    EXPECT_EQ(value.get().lVal, flags);
  }
}

}  // namespace
}  // namespace orvan::testing
