// Self-registration of the COM server: DllRegisterServer, DllUnregisterServer and DllInstall.
//
// What is written is the registration table (classes, ProgIDs, the type library with the
// interface entries of its dual interfaces, the Office add-in records), in the registry view of
// the DLL's own bitness: the win32 DLL for 32-bit Office lands in the 32-bit view, the win64 DLL
// in the 64-bit one. DllRegisterServer writes below HKEY_LOCAL_MACHINE; DllInstall with the
// command line "user" (regsvr32 /n /i:user) writes the same table below HKEY_CURRENT_USER, which
// needs no administrator rights, and DllInstall without a command line does what
// DllRegisterServer and DllUnregisterServer do.
//
// Before anything is written the embedded type library is loaded and checked to hold no
// interface but the table's own: an outside interface's entry would take over Office's
// registration of it, and unregistering would remove it.
//
// Unregistering removes exactly the table's keys. The Office keys above a record (Addins, <host>,
// Office) are removed only when nothing else is left in them, as happens when registration
// created them on a machine without Office; an installed Office keeps them. The type library's
// version key and the ProgIDs are shared with a registration of the other bitness (one key for
// both registry views) and stay while that one is registered.
//
// Results: S_OK; the Win32 error as an HRESULT when a key or value cannot be written or removed
// (E_ACCESSDENIED without administrator rights); SELFREG_E_TYPELIB when the type library cannot
// be loaded or holds an outside interface; E_INVALIDARG for a DllInstall command line other than
// "user". Registration stops at its first failure; unregistration goes on and removes what it
// can, reporting the first failure.
#include <array>
#include <new>
#include <string>
#include <vector>

#include "addin/registration_table.h"
#include "platform/win32/com_win32.h"
#include "platform/win32/platform_win32.h"
#include "platform/win32/wide_text_win32.h"
#include "platform/win32/win32.h"

namespace orvan::win32 {
namespace {

namespace table = orvan::registration;

constexpr table::Bitness kBitness = sizeof(void*) == 8 ? table::Bitness::k64 : table::Bitness::k32;

HRESULT FromWin32(LONG rc) {
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
}

// The registry below one root (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER).
class Hive {
 public:
  explicit Hive(HKEY root) : root_(root) {}

  HRESULT Write(const table::RegistryKey& entry) const {
    ScopedKey key;
    LONG rc = RegCreateKeyExW(root_, Widen(entry.path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_READ | KEY_WRITE, nullptr, key.Receive(), nullptr);
    for (const table::RegistryValue& value : entry.values) {
      if (rc != ERROR_SUCCESS) break;
      const std::wstring name = Widen(value.name);
      if (value.kind == table::RegistryValue::Kind::kNumber) {
        const DWORD number = value.number;
        rc = RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&number), sizeof number);
      } else {
        const std::wstring text = Widen(value.text);
        rc = RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
      }
    }
    return FromWin32(rc);
  }

  bool Exists(const std::string& path) const {
    ScopedKey key;
    return Open(path, &key) == ERROR_SUCCESS;
  }

  // Removes a key with everything below it; a key that is not there is no failure.
  HRESULT RemoveTree(const std::string& path) const {
    const std::wstring wide = Widen(path);
    LONG rc = RegDeleteTreeW(root_, wide.c_str());
    if (rc == ERROR_SUCCESS) rc = RegDeleteKeyW(root_, wide.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? S_OK : FromWin32(rc);
  }

  // Removes path and then each of its parents down to (not including) stop while they hold
  // nothing.
  HRESULT RemoveIfEmpty(std::string path, const std::string& stop) const {
    while (path.size() > stop.size()) {
      {
        ScopedKey key;
        const LONG rc = Open(path, &key);
        if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
        if (rc != ERROR_SUCCESS) return FromWin32(rc);
        DWORD sub_keys = 0;
        DWORD values = 0;
        if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            sub_keys != 0 || values != 0) {
          return S_OK;
        }
      }
      const LONG rc = RegDeleteKeyW(root_, Widen(path).c_str());
      if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return FromWin32(rc);
      path.resize(path.rfind('\\'));
    }
    return S_OK;
  }

 private:
  LONG Open(const std::string& path, ScopedKey* key) const {
    return RegOpenKeyExW(root_, Widen(path).c_str(), 0, KEY_READ, key->Receive());
  }

  HKEY root_;
};

// The full path of this DLL.
HRESULT ModulePath(std::wstring* path) {
  const HMODULE module = OwnModule();
  if (module == nullptr) return HRESULT_FROM_WIN32(GetLastError());
  for (DWORD capacity = MAX_PATH;; capacity *= 2) {
    path->assign(capacity, L'\0');
    const DWORD length = GetModuleFileNameW(module, path->data(), capacity);
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (length < capacity) {
      path->resize(length);
      return S_OK;
    }
  }
}

bool IsOwnInterface(const GUID& iid) {
  for (const table::ComClass& com_class : table::kClasses) {
    GUID own{};
    const std::wstring text = Widen(com_class.interface_id);
    if (SUCCEEDED(IIDFromString(text.c_str(), &own)) && IsEqualGUID(iid, own)) return true;
  }
  return false;
}

// The embedded type library loads and holds no interface but the table's own (widl copies an
// outside interface that a coclass lists instead of referring to its importlib).
HRESULT CheckTypeLibrary(const std::wstring& module_path) {
  ComPtr<ITypeLib> library;
  if (FAILED(LoadTypeLibEx(module_path.c_str(), REGKIND_NONE, library.Receive()))) {
    return SELFREG_E_TYPELIB;
  }
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    TYPEATTR* attributes = nullptr;
    if (FAILED(library->GetTypeInfo(i, info.Receive())) || FAILED(info->GetTypeAttr(&attributes))) {
      return SELFREG_E_TYPELIB;
    }
    const bool own =
        (attributes->typekind != TKIND_INTERFACE && attributes->typekind != TKIND_DISPATCH) ||
        IsOwnInterface(attributes->guid);
    info->ReleaseTypeAttr(attributes);
    if (!own) return SELFREG_E_TYPELIB;
  }
  return S_OK;
}

std::vector<table::RegistryKey> TableForThisModule(HRESULT* hr) {
  std::wstring module_path;
  *hr = ModulePath(&module_path);
  if (FAILED(*hr)) return {};
  *hr = CheckTypeLibrary(module_path);
  if (FAILED(*hr)) return {};
  const std::string path = Narrow(module_path);
  return table::Entries(kBitness, path, path.substr(0, path.rfind('\\') + 1));
}

HRESULT Register(HKEY root) {
  HRESULT hr = S_OK;
  const std::vector<table::RegistryKey> keys = TableForThisModule(&hr);
  const Hive hive(root);
  for (const table::RegistryKey& key : keys) {
    if (SUCCEEDED(hr)) hr = hive.Write(key);
  }
  return hr;
}

HRESULT Unregister(HKEY root) {
  // The paths do not depend on where the DLL lies: no type library check needed to remove them.
  const std::vector<table::RegistryKey> keys = table::Entries(kBitness, {}, {});
  const Hive hive(root);
  HRESULT first_failure = S_OK;
  const auto keep = [&first_failure](HRESULT hr) {
    if (FAILED(hr) && SUCCEEDED(first_failure)) first_failure = hr;
  };
  const auto remove = [&](table::Removal kind) {
    for (const table::RegistryKey& key : keys) {
      if (key.removal != kind) continue;
      keep(hive.RemoveTree(key.path));
      keep(hive.RemoveIfEmpty(key.path.substr(0, key.path.rfind('\\')), key.prune_stop));
    }
  };
  remove(table::Removal::kTree);
  // The shared keys go with the last platform of the type library, the other bitness's witness.
  const std::string platform = table::TypeLibraryPlatformKey(kBitness);
  if (!hive.Exists(platform.substr(0, platform.rfind('\\')))) remove(table::Removal::kShared);
  return first_failure;
}

template <typename Action>
HRESULT Guarded(Action action) noexcept {
  try {
    return action();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace
}  // namespace orvan::win32

extern "C" {

STDAPI DllRegisterServer() {
  return orvan::win32::Guarded([] { return orvan::win32::Register(HKEY_LOCAL_MACHINE); });
}

STDAPI DllUnregisterServer() {
  return orvan::win32::Guarded([] { return orvan::win32::Unregister(HKEY_LOCAL_MACHINE); });
}

// regsvr32 /n /i:user registers for the current user only, regsvr32 /u /n /i:user removes that;
// without a command line it registers for the machine like DllRegisterServer.
STDAPI DllInstall(BOOL install, LPCWSTR command_line) {
  HKEY root = HKEY_LOCAL_MACHINE;
  if (command_line != nullptr && *command_line != L'\0') {
    if (CompareStringOrdinal(command_line, -1, L"user", -1, TRUE) != CSTR_EQUAL) {
      return E_INVALIDARG;
    }
    root = HKEY_CURRENT_USER;
  }
  return orvan::win32::Guarded([install, root] {
    return install ? orvan::win32::Register(root) : orvan::win32::Unregister(root);
  });
}

}  // extern "C"
