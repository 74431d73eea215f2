// A client of the built add-in DLL, as the COM runtime would be one: the library loaded by path
// (no registration needed), its class objects, members called by name through IDispatch, and the
// stand-in outside type libraries registered while a test runs. DllCanUnloadNow must answer S_OK
// at the end of every test.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"

namespace orvan::testing {

struct ClassCase {
  const char* name;
  CLSID clsid;
};
inline const ClassCase kClasses[] = {
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
inline const IID kIidExtensibility = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

// A stand-in type library of the outside interfaces registered for one test, as Office's
// installer registers the real ones: arguments of imported types are resolved through it. A
// library registered already stays so; only a registration of its own is taken back.
class StandIn {
 public:
  explicit StandIn(const char* path) {
    std::wstring file = win32::Widen(path);
    if (FAILED(LoadTypeLibEx(file.c_str(), REGKIND_NONE, lib_.Receive()))) return;
    TLIBATTR* attr = nullptr;
    lib_->GetLibAttr(&attr);
    attr_ = *attr;
    lib_->ReleaseTLibAttr(attr);
    win32::ScopedBstr found;
    if (SUCCEEDED(QueryPathOfRegTypeLib(attr_.guid, attr_.wMajorVerNum, attr_.wMinorVerNum, 0,
                                        found.Receive()))) {
      registered_ = true;
      return;
    }
    registered_ = SUCCEEDED(RegisterTypeLib(lib_.get(), file.data(), nullptr));
    ours_ = registered_;
  }
  ~StandIn() {
    if (ours_) {
      UnRegisterTypeLib(attr_.guid, attr_.wMajorVerNum, attr_.wMinorVerNum, 0, attr_.syskind);
    }
  }
  bool registered() const { return registered_; }

 private:
  win32::ComPtr<ITypeLib> lib_;
  TLIBATTR attr_ = {};
  bool registered_ = false;
  bool ours_ = false;
};

class ComServerTest : public ::testing::Test {
 public:
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

  win32::ComPtr<IClassFactory> Factory(const CLSID& clsid) {
    win32::ComPtr<IClassFactory> factory;
    EXPECT_EQ(get_class_(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.Receive())),
              S_OK);
    return factory;
  }
  win32::ComPtr<IDispatch> Create(const char* name) {
    for (const ClassCase& c : kClasses) {
      if (std::string(c.name) != name) continue;
      win32::ComPtr<IDispatch> object;
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

inline VARIANT Long(std::int32_t n) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}

}  // namespace orvan::testing
