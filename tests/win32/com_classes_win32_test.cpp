// The add-in's COM classes as a client meets them in the built DLL, without registration: class
// objects from DllGetClassObject, members by name through the type library's dispatch (by
// reference, optional, errors in EXCEPINFO), and the library unloadable once all is released.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"

namespace orvan::testing {
namespace {

using win32::ComPtr;
using win32::ScopedBstr;

struct ClassCase {
  const char* name;
  CLSID clsid;
};
const ClassCase kClasses[] = {
    {"Addin", {0x22A03E1D, 0x5747, 0x4F3C, {0xA3, 0xB0, 0x71, 0x8E, 0xBA, 0xC5, 0xCB, 0x60}}},
    {"dsrPdfVtAddinExcel",
     {0x20E545B0, 0x613F, 0x4AF2, {0xAC, 0xC8, 0xC7, 0x76, 0xFC, 0x3E, 0x9E, 0xFC}}},
    {"dsrPdfVtAddinPowerpoint",
     {0xD76F6F12, 0xB1B9, 0x4C98, {0x85, 0x00, 0x17, 0x15, 0x21, 0x04, 0xA4, 0x72}}},
    {"dsrPdfVtAddinWord",
     {0x5AE15024, 0x866A, 0x4778, {0x82, 0xEB, 0x68, 0xF5, 0x16, 0xE4, 0x5D, 0xF5}}},
    {"ExcelDesigner",
     {0xA21C133D, 0xABA4, 0x434F, {0xAB, 0xAA, 0xFD, 0xDC, 0x5E, 0xC1, 0xCB, 0xC8}}},
    {"PowerPointDesigner",
     {0xF680BF36, 0x87A9, 0x4C09, {0xA5, 0x3F, 0x25, 0x2B, 0x6E, 0xD6, 0xFA, 0x2F}}},
    {"WordDesigner",
     {0x5C7BA2AE, 0xFFFC, 0x40EC, {0x85, 0x73, 0xBB, 0xEB, 0xD7, 0x4F, 0x11, 0x77}}},
};
const IID kIidExtensibility = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

// A stand-in type library of the outside interfaces registered for one test, as Office's
// installer registers the real ones: arguments of imported types are resolved through it.
class StandIn {
 public:
  explicit StandIn(const char* path) {
    std::wstring file = win32::Widen(path);
    if (FAILED(LoadTypeLibEx(file.c_str(), REGKIND_NONE, lib_.Receive()))) return;
    TLIBATTR* attr = nullptr;
    lib_->GetLibAttr(&attr);
    attr_ = *attr;
    lib_->ReleaseTLibAttr(attr);
    registered_ = SUCCEEDED(RegisterTypeLib(lib_.get(), file.data(), nullptr));
  }
  ~StandIn() {
    if (registered_) {
      UnRegisterTypeLib(attr_.guid, attr_.wMajorVerNum, attr_.wMinorVerNum, 0, attr_.syskind);
    }
  }
  bool registered() const { return registered_; }

 private:
  ComPtr<ITypeLib> lib_;
  TLIBATTR attr_ = {};
  bool registered_ = false;
};

class ComClassesWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    designer_library_.emplace(ORVAN_ADDIN_DESIGNER_TLB_PATH);
    office_library_.emplace(ORVAN_OFFICE_TLB_PATH);
    ASSERT_TRUE(designer_library_->registered() && office_library_->registered());
    dll_ = LoadLibraryA(ORVAN_ADDIN_DLL_PATH);
    ASSERT_NE(dll_, nullptr);
    get_class_ = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(dll_, "DllGetClassObject")));
    can_unload_ = reinterpret_cast<CanUnload>(
        reinterpret_cast<void*>(GetProcAddress(dll_, "DllCanUnloadNow")));
    ASSERT_NE(get_class_, nullptr);
    ASSERT_NE(can_unload_, nullptr);
  }
  void TearDown() override {
    if (can_unload_) {
      EXPECT_EQ(can_unload_(), S_OK);
    }
    if (dll_) FreeLibrary(dll_);
    office_library_.reset();
    designer_library_.reset();
    CoUninitialize();
  }

  ComPtr<IClassFactory> Factory(const CLSID& clsid) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(get_class_(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.Receive())),
              S_OK);
    return factory;
  }
  ComPtr<IDispatch> Create(const char* name) {
    for (const ClassCase& c : kClasses) {
      if (std::string(c.name) != name) continue;
      ComPtr<IDispatch> object;
      EXPECT_EQ(Factory(c.clsid)->CreateInstance(nullptr, IID_IDispatch,
                                                 reinterpret_cast<void**>(object.Receive())),
                S_OK);
      return object;
    }
    ADD_FAILURE() << name;
    return {};
  }

  // A member by name with positional arguments first to last (rgvarg gets them reversed).
  static HRESULT Invoke(IDispatch* object, const wchar_t* member, WORD flags,
                        std::vector<VARIANT> args, VARIANT* result = nullptr,
                        EXCEPINFO* info = nullptr) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    const bool is_put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS params{reversed.data(), is_put ? &put : nullptr, static_cast<UINT>(args.size()),
                      is_put ? 1u : 0u};
    EXCEPINFO ignored{};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                        info ? info : &ignored, nullptr);
    if (!info) {
      SysFreeString(ignored.bstrDescription);
      SysFreeString(ignored.bstrSource);
      SysFreeString(ignored.bstrHelpFile);
    }
    return hr;
  }

  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  std::optional<StandIn> designer_library_;
  std::optional<StandIn> office_library_;
  HMODULE dll_ = nullptr;
  GetClassObject get_class_ = nullptr;
  CanUnload can_unload_ = nullptr;
};

VARIANT Long(std::int32_t n) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}

TEST_F(ComClassesWin32, EveryClassIsCreatedAndHoldsTheLibraryWhileAliveOrLocked) {
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

TEST_F(ComClassesWin32, ControllersAnswerByNameThroughTheTypeLibrary) {
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

TEST_F(ComClassesWin32, ErrorsComeBackInExcepInfoAndRequiredArgumentsAreRequired) {
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
