// The add-in's COM classes as a client meets them in the built DLL, without registration: class
// objects from DllGetClassObject, the library unloadable once all is released, and the designers'
// IDTExtensibility2 as an IDispatch of its own, and Addin starting the designer of the host an
// application belongs to. Macros call the members by name in the scenarios (addin_classes.vbs,
// word_macro.vbs).
#include <vector>

#include "doubles/fake_platform.h"
#include "win32/com_client_win32.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;

// A member by name with one argument or none; id: its DISPID.
HRESULT CallByName(IDispatch* face, const wchar_t* member, WORD flags, VARIANT* arg, DISPID* id,
                   VARIANT* result = nullptr) {
  LPOLESTR name = const_cast<LPOLESTR>(member);
  DISPPARAMS params{arg, nullptr, arg ? 1u : 0u, 0};
  win32::ScopedExcepInfo info;
  const HRESULT hr = face->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, id);
  return FAILED(hr) ? hr
                    : face->Invoke(*id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                   &info, nullptr);
}

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
    {
      // The default interface, and IDTExtensibility2 for the designers Office connects to only:
      // a face apart, resolved in the add-in designer library (OnBeginShutdown is DISPID 5
      // there), while the default interface hands the name to the designer, which refuses it.
      ComPtr<IUnknown> face;
      EXPECT_EQ(object->QueryInterface(Guid(c.iid), reinterpret_cast<void**>(face.Receive())),
                S_OK);
      ComPtr<IDispatch> extensibility;
      EXPECT_EQ(object->QueryInterface(kIidExtensibility,
                                       reinterpret_cast<void**>(extensibility.Receive())),
                c.host ? S_OK : E_NOINTERFACE);
      DISPID id = DISPID_UNKNOWN;
      if (c.host) {
        SAFEARRAY* custom = nullptr;
        VARIANT arg;
        arg.vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
        arg.pparray = &custom;
        EXPECT_EQ(CallByName(extensibility.get(), L"OnBeginShutdown", DISPATCH_METHOD, &arg, &id),
                  S_OK);
        EXPECT_EQ(id, 5);
        EXPECT_EQ(CallByName(object, L"OnBeginShutdown", DISPATCH_METHOD, &arg, &id),
                  DISP_E_EXCEPTION);
      }
      // A controller's index goes by reference as a short the callee may write (which a macro
      // cannot pass); no buttons give Nothing.
      if (std::string_view(c.name).ends_with("Designer")) {
        short index = 0;
        VARIANT arg;
        arg.vt = VT_BYREF | VT_I2;
        arg.piVal = &index;
        win32::ScopedVariant button;
        EXPECT_EQ(CallByName(object, L"ToolbarButtons", DISPATCH_PROPERTYGET, &arg, &id,
                             button.Receive()),
                  S_OK);
        EXPECT_EQ(button.get().vt, VT_DISPATCH);
        EXPECT_EQ(button.get().pdispVal, nullptr);
      }
    }
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(can_unload_(), S_FALSE);  // the lock holds it
    EXPECT_EQ(Factory(Guid(c.clsid))->LockServer(FALSE), S_OK);
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(get_class_(IID_IDispatch, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
}

// Addin makes the designer of the host the application belongs to; Excel's is seen here alone
// (the scenarios' macros show Word's and PowerPoint's, and DeInit). No message box is expected:
// the job API library is not beside the add-in, so the start-up takes the add-in down quietly.
// The library must be unloadable afterwards (the fixture's end), with the start-up's per-thread
// state freed.
TEST_F(ComServerTest, AddinStartsAndStopsTheDesignerOfTheApplicationsHost) {
  FakePlatform fakes;
  sim::FakeOfficeHost excel(sim::HostType::kExcel, fakes.office);
  const auto app = ComPtr<IDispatch>::Adopt(win32::ExposeObject(excel.application()));
  VARIANT app_value;
  app_value.vt = VT_DISPATCH;
  app_value.pdispVal = app.get();
  VARIANT by_reference;
  by_reference.vt = VT_BYREF | VT_VARIANT;
  by_reference.pvarVal = &app_value;
  const ComPtr<IDispatch> addin = Create(kClasses[0]);
  DISPID id = DISPID_UNKNOWN;
  ASSERT_EQ(CallByName(addin.get(), L"Init", DISPATCH_METHOD, &by_reference, &id), S_OK);
  win32::ScopedVariant made;
  ASSERT_EQ(
      CallByName(addin.get(), L"AddinDsr", DISPATCH_PROPERTYGET, nullptr, &id, made.Receive()),
      S_OK);
  ASSERT_EQ(made.get().vt, VT_DISPATCH);
  ComPtr<IUnknown> typed;
  EXPECT_EQ(made.get().pdispVal->QueryInterface(Guid(kClasses[1].iid),
                                                reinterpret_cast<void**>(typed.Receive())),
            S_OK);
  EXPECT_FALSE(fakes.office->Journaled("Application.CommandBars").empty());
  EXPECT_EQ(CallByName(addin.get(), L"DeInit", DISPATCH_METHOD, &by_reference, &id), S_OK);
}

// Word's designer names its members' arguments as the type library declares them, and those of
// the members it answers by name as they take them; any other name is unknown (Basic's 448),
// never a reason to look the member up by name instead.
TEST_F(ComServerTest, ArgumentNamesAMemberDoesNotTakeAreUnknown) {
  const auto word = Create(kClasses[3]);
  ASSERT_TRUE(word);
  const std::pair<std::vector<const wchar_t*>, HRESULT> cases[] = {
      {{L"p_mctlBtnEvents_Click", L"Ctrl", L"CancelDefault"}, S_OK},
      {{L"p_mctlBtnEvents_Click", L"Ctrl", L"Cancel"}, DISP_E_UNKNOWNNAME},
      {{L"DoInit", L"Application", L"addininst"}, S_OK},
      {{L"DoInit", L"App"}, DISP_E_UNKNOWNNAME},
  };
  for (const auto& [names, expected] : cases) {
    SCOPED_TRACE(win32::Narrow(names[0]) + " " + win32::Narrow(names.back()));
    std::vector<DISPID> ids(names.size(), 0);
    EXPECT_EQ(word->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(names.data()),
                                  static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT, ids.data()),
              expected);
    EXPECT_NE(ids[0], DISPID_UNKNOWN);
    EXPECT_EQ(ids.back() == DISPID_UNKNOWN, FAILED(expected));
  }
}

}  // namespace
}  // namespace orvan::testing
