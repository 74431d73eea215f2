#include "sim/officesim/com_addin_host_win32.h"

#include <set>

#include "platform/win32/dispatch_win32.h"
#include "platform/win32/wide_text_win32.h"

namespace orvan::sim {
namespace {

using win32::ComPtr;

// A value of the record's key; empty when absent or not text.
std::string ReadText(HKEY key, const wchar_t* name) {
  wchar_t buffer[512];
  DWORD size = sizeof buffer;
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return {};
  }
  return win32::Narrow(std::wstring_view(buffer, wcsnlen(buffer, size / sizeof(wchar_t))));
}

void ReadRecords(HKEY root, const std::string& host, bool per_user,
                 std::vector<AddinRecord>& records, std::set<std::wstring>& seen) {
  const std::wstring path = L"Software\\Microsoft\\Office\\" + win32::Widen(host) + L"\\Addins";
  ScopedKey addins;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, addins.Receive()) != ERROR_SUCCESS) return;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(addins.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    std::wstring folded(name, length);
    for (wchar_t& c : folded)
      c = towlower(c);
    if (!seen.insert(folded).second) continue;
    ScopedKey key;
    if (RegOpenKeyExW(addins.get(), name, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) continue;
    AddinRecord record;
    record.prog_id = win32::Narrow(std::wstring_view(name, length));
    record.friendly_name = ReadText(key.get(), L"FriendlyName");
    record.description = ReadText(key.get(), L"Description");
    DWORD behavior = 0;
    DWORD size = sizeof behavior;
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), L"LoadBehavior", nullptr, &type,
                         reinterpret_cast<BYTE*>(&behavior), &size) == ERROR_SUCCESS &&
        type == REG_DWORD) {
      record.load_behavior = behavior;
    }
    record.per_user = per_user;
    records.push_back(std::move(record));
  }
}

// Calls an IDTExtensibility2 member with the empty custom array Office passes.
template <typename F>
HRESULT WithEmptyCustom(F&& call) {
  SAFEARRAY* custom = SafeArrayCreateVector(VT_VARIANT, 0, 0);
  const HRESULT hr = call(&custom);
  SafeArrayDestroy(custom);
  return hr;
}

// The COMAddIn object Office hands to OnConnection.
ObjectRef MakeAddinInstance(const std::shared_ptr<FakeObjectWorld>& world,
                            const AddinRecord& record) {
  auto instance = std::make_shared<FakeObject>(world, "COMAddIn");
  instance->Field("ProgId", Value(record.prog_id))
      .Field("Description", Value(record.description))
      .Field("Connect", Value(true))
      .Field("Object", Value(ObjectRef()));
  return instance;
}

// The DLL an object's code lives in, found by the address of its interface's function table.
std::wstring ModuleOf(IUnknown* object) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          *reinterpret_cast<LPCWSTR*>(object), &module)) {
    return {};
  }
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  return std::wstring(path, length);
}

}  // namespace

std::vector<AddinRecord> ReadAddinRecords(const std::string& host) {
  std::vector<AddinRecord> records;
  std::set<std::wstring> seen;
  ReadRecords(HKEY_CURRENT_USER, host, true, records, seen);
  ReadRecords(HKEY_LOCAL_MACHINE, host, false, records, seen);
  return records;
}

std::wstring ServerOf(const AddinRecord& record) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(win32::Widen(record.prog_id).c_str(), &clsid))) return {};
  wchar_t text[64];
  StringFromGUID2(clsid, text, 64);
  const std::wstring key = std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
  wchar_t path[MAX_PATH];
  DWORD size = sizeof path;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  return path;
}

std::unique_ptr<ConnectedAddin> ConnectedAddin::Connect(
    const AddinRecord& record, IDispatch* application,
    const std::shared_ptr<FakeObjectWorld>& world, ext_ConnectMode mode, HRESULT* result) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(win32::Widen(record.prog_id).c_str(), &clsid);
  ComPtr<IUnknown> object;
  if (SUCCEEDED(hr)) {
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(object.Receive()));
  }
  ComPtr<IDTExtensibility2> addin;
  if (SUCCEEDED(hr)) {
    hr = object->QueryInterface(IID_IDTExtensibility2, reinterpret_cast<void**>(addin.Receive()));
  }
  std::unique_ptr<ConnectedAddin> connected;
  if (SUCCEEDED(hr)) {
    auto instance = ComPtr<IDispatch>::Adopt(win32::ExposeObject(MakeAddinInstance(world, record)));
    hr = WithEmptyCustom([&](SAFEARRAY** custom) {
      return addin->OnConnection(application, mode, instance.get(), custom);
    });
    if (SUCCEEDED(hr)) {
      std::wstring module = ModuleOf(object.get());
      connected.reset(
          new ConnectedAddin(record, std::move(addin), std::move(instance), std::move(module)));
    }
  }
  if (result) *result = hr;
  return connected;
}

ConnectedAddin::ConnectedAddin(AddinRecord record, ComPtr<IDTExtensibility2> addin,
                               ComPtr<IDispatch> instance, std::wstring module_path)
    : record_(std::move(record)),
      module_path_(std::move(module_path)),
      addin_(std::move(addin)),
      instance_(std::move(instance)) {}

ConnectedAddin::~ConnectedAddin() = default;

HRESULT ConnectedAddin::AddInsUpdate() {
  if (!addin_) return E_UNEXPECTED;
  return WithEmptyCustom([&](SAFEARRAY** custom) { return addin_->OnAddInsUpdate(custom); });
}

HRESULT ConnectedAddin::StartupComplete() {
  if (!addin_) return E_UNEXPECTED;
  return WithEmptyCustom([&](SAFEARRAY** custom) { return addin_->OnStartupComplete(custom); });
}

HRESULT ConnectedAddin::BeginShutdown() {
  if (!addin_) return E_UNEXPECTED;
  return WithEmptyCustom([&](SAFEARRAY** custom) { return addin_->OnBeginShutdown(custom); });
}

HRESULT ConnectedAddin::Disconnect(ext_DisconnectMode mode) {
  if (!addin_) return E_UNEXPECTED;
  const HRESULT hr =
      WithEmptyCustom([&](SAFEARRAY** custom) { return addin_->OnDisconnection(mode, custom); });
  addin_.Reset();
  instance_.Reset();
  return hr;
}

}  // namespace orvan::sim
