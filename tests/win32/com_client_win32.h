// A client of the built add-in DLL, as the COM runtime would be one: the library loaded by path
// (no registration needed), its class objects and the objects they create, and the
// stand-in outside type libraries registered while a test runs. DllCanUnloadNow must answer S_OK
// at the end of every test.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/win32/com_win32.h"
#include "platform/win32/dispatch_win32.h"

namespace orvan::testing {

// The seven classes with their default interfaces; host: the Office application whose add-in
// record names a designer that Office connects to (those implement IDTExtensibility2).
struct ClassCase {
  const char* name;
  const char* clsid;
  const char* iid;
  const char* host = nullptr;
};
inline const ClassCase kClasses[] = {
    {"Addin", "{22A03E1D-5747-4F3C-A3B0-718EBAC5CB60}", "{955D02B4-BFA3-4956-AEAA-A9837EBFDC49}"},
    {"dsrPdfVtAddinExcel", "{20E545B0-613F-4AF2-ACC8-C776FC3E9EFC}",
     "{ADCAAC4E-ECC4-4660-9992-6B494508A331}", "Excel"},
    {"dsrPdfVtAddinPowerpoint", "{D76F6F12-B1B9-4C98-8500-17152104A472}",
     "{82E499ED-554B-46DB-A082-F078C658EBB0}", "PowerPoint"},
    {"dsrPdfVtAddinWord", "{5AE15024-866A-4778-82EB-68F516E45DF5}",
     "{94800EBA-8B22-40BB-9C35-A7260504194F}", "Word"},
    {"ExcelDesigner", "{A21C133D-ABA4-434F-ABAA-FDDC5EC1CBC8}",
     "{8122E544-3BB9-4D13-8F51-2A6944E74564}"},
    {"PowerPointDesigner", "{F680BF36-87A9-4C09-A53F-252B6ED6FA2F}",
     "{311C4353-D396-4E14-B4E5-FF0A4DD044BA}"},
    {"WordDesigner", "{5C7BA2AE-FFFC-40EC-8573-BBEBD74F1177}",
     "{322CD265-FE0C-4E69-9EA6-62AFDAA79AD1}"},
};
inline GUID Guid(const char* text) {
  GUID guid{};
  CLSIDFromString(win32::Widen(text).c_str(), &guid);
  return guid;
}
inline const IID kIidExtensibility = Guid("{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}");

// Runs a command line and waits for it, at most wait_ms: its exit code, or a code with the top
// bit set when it could not start or did not end in time (then it is ended).
inline DWORD RunProcess(std::wstring command, DWORD wait_ms = INFINITE) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return GetLastError() | 0x80000000u;
  }
  DWORD code = 0x80000000u | WAIT_TIMEOUT;
  if (WaitForSingleObject(process.hProcess, wait_ms) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

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
    registered_ = SUCCEEDED(QueryPathOfRegTypeLib(attr_.guid, attr_.wMajorVerNum,
                                                  attr_.wMinorVerNum, 0, found.Receive())) ||
                  (ours_ = SUCCEEDED(RegisterTypeLib(lib_.get(), file.data(), nullptr)));
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
    ASSERT_TRUE(get_class_ && can_unload_);
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
  win32::ComPtr<IDispatch> Create(const ClassCase& c) {
    win32::ComPtr<IDispatch> object;
    EXPECT_EQ(
        Factory(Guid(c.clsid))
            ->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(object.Receive())),
        S_OK);
    return object;
  }

  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  std::optional<StandIn> designer_library_;
  std::optional<StandIn> office_library_;
  HMODULE dll_ = nullptr;
  GetClassObject get_class_ = nullptr;
  CanUnload can_unload_ = nullptr;
};

}  // namespace orvan::testing
