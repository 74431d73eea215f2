// The add-in's COM classes as a client meets them in the built DLL, without registration: class
// objects from DllGetClassObject, members by name through the type library's dispatch (by
// reference, optional, errors in EXCEPINFO), and the library unloadable once all is released.
#include "win32/com_client_win32.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;
using win32::ScopedBstr;

TEST_F(ComServerTest, EveryClassIsCreatedAndHoldsTheLibraryWhileAliveOrLocked) {
  for (const ClassCase& c : kClasses) {
    SCOPED_TRACE(c.name);
    ComPtr<IClassFactory> factory = Factory(c.clsid);
    ASSERT_TRUE(factory);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory.get());
    void* refused = nullptr;
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &refused), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    IDispatch* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object)),
              S_OK);
    factory.Reset();
    EXPECT_EQ(can_unload_(), S_FALSE);

    UINT count = 0;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    const bool is_designer = std::string(c.name).starts_with("dsr");
    IUnknown* extensibility = nullptr;
    EXPECT_EQ(object->QueryInterface(kIidExtensibility, reinterpret_cast<void**>(&extensibility)),
              is_designer ? S_OK : E_NOINTERFACE);
    if (extensibility) extensibility->Release();
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(can_unload_(), S_FALSE);  // the lock holds it

    ComPtr<IClassFactory> again = Factory(c.clsid);
    EXPECT_EQ(again->LockServer(FALSE), S_OK);
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(get_class_(IID_IDispatch, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
}

TEST_F(ComServerTest, ControllersAnswerByNameThroughTheTypeLibrary) {
  const struct {
    const char* controller;
    const wchar_t* menu_bar;
  } cases[] = {{"WordDesigner", L"Menu Bar"},
               {"ExcelDesigner", L"Worksheet Menu Bar"},
               {"PowerPointDesigner", L"Menu Bar"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.controller);
    const ComPtr<IDispatch> controller = Create(c.controller);
    ASSERT_TRUE(controller);
    EXPECT_EQ(Invoke(controller.get(), L"Initialize", DISPATCH_METHOD, {}), S_OK);
    win32::ScopedVariant value;
    EXPECT_EQ(Invoke(controller.get(), L"menubar", DISPATCH_PROPERTYGET, {}, value.Receive()),
              S_OK);
    ASSERT_EQ(value.get().vt, VT_BSTR);
    EXPECT_STREQ(value.get().bstrVal, c.menu_bar);

    // A variant property converts what it is given to a 32-bit integer.
    const ScopedBstr text(L"4711");
    VARIANT put_text;
    put_text.vt = VT_BSTR;
    put_text.bstrVal = text.get();
    EXPECT_EQ(Invoke(controller.get(), L"GlobalhWnd", DISPATCH_PROPERTYPUT, {put_text}), S_OK);
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
  const ComPtr<IDispatch> powerpoint = Create("PowerPointDesigner");
  const HRESULT missing = Invoke(powerpoint.get(), L"DoDeInit", DISPATCH_METHOD, {});
  EXPECT_TRUE(missing == DISP_E_PARAMNOTOPTIONAL || missing == DISP_E_BADPARAMCOUNT) << missing;

  // Init with an object that is no Office application makes no designer, and the call by name
  // on the empty AddinDsr fails as Basic reports it: number, its description, and the HRESULT
  // of Basic's facility.
  const ComPtr<IDispatch> addin = Create("Addin");
  const ComPtr<IDispatch> stranger = Create("WordDesigner");
  VARIANT app;
  app.vt = VT_DISPATCH;
  app.pdispVal = stranger.get();
  VARIANT app_by_reference;
  app_by_reference.vt = VT_BYREF | VT_VARIANT;
  app_by_reference.pvarVal = &app;
  EXCEPINFO info{};
  EXPECT_EQ(Invoke(addin.get(), L"Init", DISPATCH_METHOD, {app_by_reference}, nullptr, &info),
            DISP_E_EXCEPTION);
  const VbError error = win32::ErrorFromResult(DISP_E_EXCEPTION, &info);
  EXPECT_EQ(info.scode, MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.number()));
  EXPECT_EQ(error.number(), vberr::kObjectRequired);
  EXPECT_EQ(error.description(), RuntimeErrorDescription(vberr::kObjectRequired));

  // AddinDsr takes any value, by value and by reference.
  for (const WORD flags : {WORD{DISPATCH_PROPERTYPUT}, WORD{DISPATCH_PROPERTYPUTREF}}) {
    EXPECT_EQ(Invoke(addin.get(), L"AddinDsr", flags, {Long(flags)}), S_OK);
    win32::ScopedVariant value;
    EXPECT_EQ(Invoke(addin.get(), L"AddinDsr", DISPATCH_PROPERTYGET, {}, value.Receive()), S_OK);
    EXPECT_EQ(value.get().lVal, flags);
  }
}

}  // namespace
}  // namespace orvan::testing
