// Small COM add-ins for the simulated Office host's own tests: one that does nothing (the
// baseline for load timings), one whose OnConnection fails and one that crashes its host in
// OnConnection. Registered by regsvr32 under their ProgIDs "OfficeSim.NoOpAddin",
// "OfficeSim.FailingAddin" and "OfficeSim.CrashingAddin"; a scenario lists them for its host with
// "addin-record".
#include <office_interfaces.h>

#include <atomic>
#include <string>

#include "platform/win32/com_win32.h"
#include "platform/win32/win32.h"

namespace {

using orvan::win32::SingleInterfaceObject;

enum class Behaviour { kNothing, kFail, kCrash };

struct AddinClass {
  const wchar_t* prog_id;
  const wchar_t* clsid;
  Behaviour behaviour;
};

const AddinClass kClasses[] = {
    {L"OfficeSim.NoOpAddin", L"{6C1E1D2A-7B5F-4C0E-9E61-2B7F4A0C9D01}", Behaviour::kNothing},
    {L"OfficeSim.FailingAddin", L"{6C1E1D2A-7B5F-4C0E-9E61-2B7F4A0C9D02}", Behaviour::kFail},
    {L"OfficeSim.CrashingAddin", L"{6C1E1D2A-7B5F-4C0E-9E61-2B7F4A0C9D03}", Behaviour::kCrash},
};

std::atomic<long> g_objects{0};
HMODULE g_module = nullptr;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// IDTExtensibility2 without type information: the host calls it through its vtable.
class TestAddin final : public SingleInterfaceObject<IDTExtensibility2, IID_IDTExtensibility2> {
 public:
  explicit TestAddin(Behaviour behaviour) : behaviour_(behaviour) { ++g_objects; }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch*, ext_ConnectMode, IDispatch*,
                                         SAFEARRAY**) override {
    if (behaviour_ == Behaviour::kFail) return E_FAIL;
    if (behaviour_ == Behaviour::kCrash) {
      RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode, SAFEARRAY**) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override { return S_OK; }

 private:
  ~TestAddin() override { --g_objects; }
  Behaviour behaviour_;
};

class Factory final : public SingleInterfaceObject<IClassFactory, IID_IClassFactory> {
 public:
  explicit Factory(Behaviour behaviour) : behaviour_(behaviour) { ++g_objects; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* addin = new TestAddin(behaviour_);  // owns itself by its references
    const HRESULT hr = addin->QueryInterface(iid, out);
    addin->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? ++g_objects : --g_objects;
    return S_OK;
  }

 private:
  ~Factory() override { --g_objects; }
  Behaviour behaviour_;
};

#pragma GCC diagnostic pop

bool SetText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  return RegSetKeyValueW(root, key.c_str(), name, REG_SZ, value.c_str(),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  for (const AddinClass& c : kClasses) {
    CLSID own{};
    if (FAILED(CLSIDFromString(c.clsid, &own)) || !IsEqualCLSID(clsid, own)) continue;
    auto* factory = new Factory(c.behaviour);  // owns itself by its references
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return g_objects == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(g_module, path, MAX_PATH);
  for (const AddinClass& c : kClasses) {
    const std::wstring clsid_key = std::wstring(L"Software\\Classes\\CLSID\\") + c.clsid;
    const std::wstring prog_id = c.prog_id;
    if (!SetText(HKEY_LOCAL_MACHINE, clsid_key, nullptr, prog_id) ||
        !SetText(HKEY_LOCAL_MACHINE, clsid_key + L"\\InprocServer32", nullptr, path) ||
        !SetText(HKEY_LOCAL_MACHINE, clsid_key + L"\\InprocServer32", L"ThreadingModel",
                 L"Apartment") ||
        !SetText(HKEY_LOCAL_MACHINE, clsid_key + L"\\ProgID", nullptr, prog_id) ||
        !SetText(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + prog_id + L"\\CLSID", nullptr,
                 c.clsid)) {
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  for (const AddinClass& c : kClasses) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                   (std::wstring(L"Software\\Classes\\CLSID\\") + c.clsid).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(L"Software\\Classes\\") + c.prog_id).c_str());
  }
  return S_OK;
}
