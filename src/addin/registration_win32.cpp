// Self-registration of the COM server: DllRegisterServer and DllUnregisterServer.
//
// Everything goes below HKEY_LOCAL_MACHINE in the registry view of the DLL's own bitness (the
// win32 DLL for 32-bit Office lands in the 32-bit view, the win64 DLL in the 64-bit one):
// - the embedded type library, registered with the DLL's full path (RegisterTypeLib also writes
//   the Interface entries of the library's own dual interfaces, never those of the imported
//   Office and add-in designer libraries);
// - per class Software\Classes\CLSID\{clsid} (default value the ProgID; InprocServer32 with the
//   full path and ThreadingModel "Apartment"; ProgID; TypeLib; Version "1.0") and the ProgID
//   Software\Classes\OrvanpdfVtAddIn.<class> (default value the ProgID; CLSID);
// - per designer the Office add-in record Software\Microsoft\Office\<host>\Addins\<ProgID> with
//   FriendlyName, Description and LoadBehavior 3 (load at start-up).
// Unregistering removes exactly these keys. The Office keys above a record (Addins, <host>,
// Office) are removed only when nothing else is left in them, as happens when registration
// created them on a machine without Office; an installed Office keeps them.
//
// Results: S_OK; the Win32 error as an HRESULT when a key or value cannot be written or removed
// (E_ACCESSDENIED without administrator rights); SELFREG_E_TYPELIB when the type library cannot
// be loaded, registered or unregistered. Registration stops at its first failure; unregistration
// goes on and removes what it can, reporting the first failure.
#include <array>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "OrvanpdfVtAddin.h"
#include "platform/win32/com_win32.h"
#include "platform/win32/platform_win32.h"
#include "platform/win32/win32.h"

namespace orvan::win32 {
namespace {

// An Office add-in record: the host's key and what the host lists in its add-in dialog.
struct OfficeAddin {
  const wchar_t* host;
  const wchar_t* friendly_name;
  const wchar_t* description;
};

constexpr OfficeAddin kExcel{L"Excel", L"Orvan Pdf vatner Add-in",
                             L"Orvan Pdf vatner Add-in for Excel"};  // "Pdf" in Excel's texts
constexpr OfficeAddin kPowerPoint{L"PowerPoint", L"Orvan pdf vatner Add-in",
                                  L"Orvan pdf vatner Add-in for Powerpoint"};
constexpr OfficeAddin kWord{L"Word", L"Orvan pdf vatner Add-in",
                            L"Orvan pdf vatner Add-in for Word"};

// The seven classes; the three designers also carry their host's add-in record.
struct ClassEntry {
  const wchar_t* name;
  const CLSID* clsid;
  const IID* default_iid;
  const OfficeAddin* office;  // nullptr: no Office add-in record
};

constexpr std::array<ClassEntry, 7> kClasses{{
    {L"Addin", &CLSID_Addin, &IID__Addin, nullptr},
    {L"dsrPdfVtAddinExcel", &CLSID_dsrPdfVtAddinExcel, &IID__dsrPdfVtAddinExcel, &kExcel},
    {L"dsrPdfVtAddinPowerpoint", &CLSID_dsrPdfVtAddinPowerpoint, &IID__dsrPdfVtAddinPowerpoint,
     &kPowerPoint},
    {L"dsrPdfVtAddinWord", &CLSID_dsrPdfVtAddinWord, &IID__dsrPdfVtAddinWord, &kWord},
    {L"ExcelDesigner", &CLSID_ExcelDesigner, &IID__ExcelDesigner, nullptr},
    {L"PowerPointDesigner", &CLSID_PowerPointDesigner, &IID__PowerPointDesigner, nullptr},
    {L"WordDesigner", &CLSID_WordDesigner, &IID__WordDesigner, nullptr},
}};

constexpr wchar_t kProgIdPrefix[] = L"OrvanpdfVtAddIn.";
constexpr wchar_t kClassesKey[] = L"Software\\Classes\\";
constexpr wchar_t kOfficeKey[] = L"Software\\Microsoft\\Office";
constexpr DWORD kLoadAtStartup = 3;
constexpr WORD kLibraryMajor = 1;
constexpr WORD kLibraryMinor = 0;
constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

HRESULT FromWin32(LONG rc) {
  return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
}

std::wstring GuidText(const GUID& guid) {
  std::array<wchar_t, 40> text{};
  StringFromGUID2(guid, text.data(), static_cast<int>(text.size()));
  return text.data();
}

std::wstring ProgId(const ClassEntry& entry) {
  return std::wstring(kProgIdPrefix) + entry.name;
}

std::wstring OfficeAddinsKey(const wchar_t* host) {
  return std::wstring(kOfficeKey) + L"\\" + host + L"\\Addins";
}

// An open registry key, closed with its owner.
class Key {
 public:
  // Opens or creates path below HKEY_LOCAL_MACHINE with its missing parents.
  LONG Create(const std::wstring& path) {
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE, nullptr, key_.Receive(), nullptr);
  }
  LONG Open(const std::wstring& path) {
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key_.Receive());
  }

  // A text value; an empty name sets the key's default value.
  LONG SetText(const wchar_t* name, const std::wstring& text) {
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes);
  }
  LONG SetNumber(const wchar_t* name, DWORD number) {
    return RegSetValueExW(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                          sizeof(number));
  }

  bool Empty() const {
    DWORD sub_keys = 0;
    DWORD values = 0;
    return RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr,
                            &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           sub_keys == 0 && values == 0;
  }

 private:
  ScopedKey key_;
};

// One key below HKEY_LOCAL_MACHINE and its values, written by one statement.
struct Entry {
  std::wstring path;
  std::wstring default_value;
  std::vector<std::pair<const wchar_t*, std::wstring>> texts = {};
  std::vector<std::pair<const wchar_t*, DWORD>> numbers = {};
};

HRESULT Write(const Entry& entry) {
  Key key;
  LONG rc = key.Create(entry.path);
  if (rc == ERROR_SUCCESS && !entry.default_value.empty()) {
    rc = key.SetText(nullptr, entry.default_value);
  }
  for (const auto& [name, text] : entry.texts) {
    if (rc == ERROR_SUCCESS) rc = key.SetText(name, text);
  }
  for (const auto& [name, number] : entry.numbers) {
    if (rc == ERROR_SUCCESS) rc = key.SetNumber(name, number);
  }
  return FromWin32(rc);
}

// Removes a key with everything below it; a key that is not there is no failure.
HRESULT RemoveTree(const std::wstring& path) {
  LONG rc = RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
  if (rc == ERROR_SUCCESS) rc = RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
  return rc == ERROR_FILE_NOT_FOUND ? S_OK : FromWin32(rc);
}

// Removes path and then each of its parents up to (not including) stop while they hold nothing.
HRESULT RemoveIfEmpty(std::wstring path, const std::wstring& stop) {
  while (path.size() > stop.size()) {
    {
      Key key;
      const LONG rc = key.Open(path);
      if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
      if (rc != ERROR_SUCCESS) return FromWin32(rc);
      if (!key.Empty()) return S_OK;
    }
    const LONG rc = RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return FromWin32(rc);
    path.resize(path.rfind(L'\\'));
  }
  return S_OK;
}

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

bool IsOwnInterface(const IID& iid) {
  for (const ClassEntry& entry : kClasses) {
    if (IsEqualIID(iid, *entry.default_iid)) return true;
  }
  return false;
}

// RegisterTypeLib writes an Interface entry, pointing at this library, for every interface the
// library itself holds. A copy of an outside interface in it (widl copies one that a coclass
// lists instead of referring to its importlib) would take over Office's registration of that
// interface, and unregistering would remove it: refuse such a library.
bool HoldsOnlyOwnInterfaces(ITypeLib* library) {
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> info;
    TYPEATTR* attributes = nullptr;
    if (FAILED(library->GetTypeInfo(i, info.Receive())) || FAILED(info->GetTypeAttr(&attributes))) {
      return false;
    }
    const bool own =
        (attributes->typekind != TKIND_INTERFACE && attributes->typekind != TKIND_DISPATCH) ||
        IsOwnInterface(attributes->guid);
    info->ReleaseTypeAttr(attributes);
    if (!own) return false;
  }
  return true;
}

HRESULT RegisterTypeLibrary(const std::wstring& module_path) {
  ComPtr<ITypeLib> library;
  if (FAILED(LoadTypeLibEx(module_path.c_str(), REGKIND_NONE, library.Receive())) ||
      !HoldsOnlyOwnInterfaces(library.get())) {
    return SELFREG_E_TYPELIB;
  }
  // RegisterTypeLib wants a writable path; it records it as the library's location.
  std::wstring path = module_path;
  return FAILED(RegisterTypeLib(library.get(), path.data(), nullptr)) ? SELFREG_E_TYPELIB : S_OK;
}

HRESULT UnregisterTypeLibrary() {
  // Nothing registered for this bitness (never registered, or already removed) is no failure.
  const std::wstring path = std::wstring(kClassesKey) + L"TypeLib\\" +
                            GuidText(LIBID_OrvanpdfVtAddIn) + L"\\1.0\\0\\" +
                            (kSysKind == SYS_WIN64 ? L"win64" : L"win32");
  Key key;
  const LONG rc = key.Open(path);
  if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
  if (rc != ERROR_SUCCESS) return FromWin32(rc);
  return FAILED(UnRegisterTypeLib(LIBID_OrvanpdfVtAddIn, kLibraryMajor, kLibraryMinor, 0, kSysKind))
             ? SELFREG_E_TYPELIB
             : S_OK;
}

std::vector<Entry> ClassEntries(const ClassEntry& entry, const std::wstring& module_path) {
  const std::wstring prog_id = ProgId(entry);
  const std::wstring clsid = GuidText(*entry.clsid);
  const std::wstring class_key = std::wstring(kClassesKey) + L"CLSID\\" + clsid;
  return {
      {class_key, prog_id},
      {class_key + L"\\InprocServer32", module_path, {{L"ThreadingModel", L"Apartment"}}},
      {class_key + L"\\ProgID", prog_id},
      {class_key + L"\\TypeLib", GuidText(LIBID_OrvanpdfVtAddIn)},
      {class_key + L"\\Version", L"1.0"},
      {std::wstring(kClassesKey) + prog_id, prog_id},
      {std::wstring(kClassesKey) + prog_id + L"\\CLSID", clsid},
  };
}

HRESULT Register() {
  std::wstring module_path;
  HRESULT hr = ModulePath(&module_path);
  if (SUCCEEDED(hr)) hr = RegisterTypeLibrary(module_path);
  for (const ClassEntry& entry : kClasses) {
    for (const Entry& key : ClassEntries(entry, module_path)) {
      if (SUCCEEDED(hr)) hr = Write(key);
    }
    if (entry.office != nullptr && SUCCEEDED(hr)) {
      hr = Write({OfficeAddinsKey(entry.office->host) + L"\\" + ProgId(entry),
                  L"",
                  {{L"FriendlyName", entry.office->friendly_name},
                   {L"Description", entry.office->description}},
                  {{L"LoadBehavior", kLoadAtStartup}}});
    }
  }
  return hr;
}

HRESULT Unregister() {
  HRESULT first_failure = S_OK;
  const auto keep = [&first_failure](HRESULT hr) {
    if (FAILED(hr) && SUCCEEDED(first_failure)) first_failure = hr;
  };
  for (const ClassEntry& entry : kClasses) {
    if (entry.office != nullptr) {
      const std::wstring addins = OfficeAddinsKey(entry.office->host);
      keep(RemoveTree(addins + L"\\" + ProgId(entry)));
      keep(RemoveIfEmpty(addins, L"Software\\Microsoft"));
    }
    keep(RemoveTree(std::wstring(kClassesKey) + ProgId(entry)));
    keep(RemoveTree(std::wstring(kClassesKey) + L"CLSID\\" + GuidText(*entry.clsid)));
  }
  keep(UnregisterTypeLibrary());
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
  return orvan::win32::Guarded(orvan::win32::Register);
}

STDAPI DllUnregisterServer() {
  return orvan::win32::Guarded(orvan::win32::Unregister);
}

}  // extern "C"
