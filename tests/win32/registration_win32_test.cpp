// Self-registration through Windows' own regsvr32, checked against the whole registry area it
// may touch (HKLM\Software\Classes and Office's keys, read in the 64-bit view so that a 32-bit
// DLL's entries show where 32-bit Office finds them, below Wow6432Node): registering adds exactly
// the listed keys and values, a second registration changes nothing, unregistering restores the
// area as it was.
#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <span>
#include <tuple>
#include <vector>

#include "win32/com_client_win32.h"

namespace orvan::testing {
namespace {

using win32::Narrow;
using win32::Widen;

const std::wstring kDll = Widen(ORVAN_ADDIN_DLL_PATH);

// The version resource as the version API reads it: a DLL's, marked self-registering, its product
// name's "ü" intact (the resource script's encoding).
TEST(RegistrationWin32, VersionResourceReadsBackThroughTheVersionApi) {
  std::vector<BYTE> block(GetFileVersionInfoSizeW(kDll.c_str(), nullptr));
  ASSERT_FALSE(block.empty()) << GetLastError();
  ASSERT_TRUE(GetFileVersionInfoW(kDll.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  const auto query = [&](const std::wstring& path) {
    void* found = nullptr;
    UINT length = 0;
    return VerQueryValueW(block.data(), path.c_str(), &found, &length) ? found : nullptr;
  };
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query(L"\\"));
  ASSERT_NE(fixed, nullptr);
  // The first translation names the string block that clients look in.
  const auto* translation = static_cast<const WORD*>(query(L"\\VarFileInfo\\Translation"));
  ASSERT_NE(translation, nullptr);
  wchar_t prefix[64];
  swprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  EXPECT_EQ(std::tuple(fixed->dwFileType, fixed->dwFileVersionMS, fixed->dwFileVersionLS,
                       fixed->dwProductVersionMS, fixed->dwProductVersionLS),
            std::tuple(DWORD{VFT_DLL}, 0x00010000ul, 35ul, 0x00010000ul, 35ul));
  const std::pair<const wchar_t*, std::wstring> entries[] = {
      {L"ProductName", L"Orvan pdf vatner COM Add-In f\u00fcr Word, Excel und Powerpoint"},
      {L"FileVersion", L"1.00.0035"},
      {L"ProductVersion", L"1.00.0035"},
      {L"InternalName", L"OrvanpdfVtAddin"},
      {L"OriginalFilename", L"OrvanpdfVtAddin.dll"},
      {L"OLESelfRegister", L""},
  };
  for (const auto& [entry, expected] : entries) {
    const auto* text = static_cast<const wchar_t*>(query(prefix + std::wstring(entry)));
    EXPECT_EQ(text ? std::wstring(text) : L"(missing)", expected) << Narrow(entry);
  }
}

// Every key ("path") and value ("path|name|data") below the roots, sorted. Key paths and value
// names in lower case, as the registry compares them (Wine names a key it creates "Typelib",
// Windows has "TypeLib"); data as text, a DWORD as "#n", anything else by type and size.
using Snapshot = std::set<std::string>;

std::string Lower(std::string text) {
  std::ranges::transform(text, text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Key below parent, opened relative to it in the 64-bit view (Wow6432Node shows as a key); path
// is its full path for the lines.
void Collect(HKEY parent, const std::wstring& name, const std::wstring& path, Snapshot* out) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
    return;
  }
  const std::string lower_path = Lower(Narrow(path));
  out->insert(lower_path);
  static wchar_t name_buffer[16384];
  static BYTE data[1 << 16];
  for (DWORD i = 0, name_size = 16384, size = sizeof data, type = 0;
       RegEnumValueW(key, i, name_buffer, &name_size, nullptr, &type, data, &size) == ERROR_SUCCESS;
       ++i, name_size = 16384, size = sizeof data) {
    std::string shown = "type " + std::to_string(type) + ", " + std::to_string(size) + " bytes";
    if (type == REG_SZ) {
      const std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
      shown = Narrow(text.c_str());  // up to the terminating zero
    }
    if (type == REG_DWORD) shown = "#" + std::to_string(*reinterpret_cast<const DWORD*>(data));
    out->insert(lower_path + "|" + Lower(Narrow(name_buffer)) + "|" + shown);
  }
  wchar_t child[256];
  for (DWORD i = 0, size = 256;
       RegEnumKeyExW(key, i, child, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, size = 256) {
    Collect(key, child, path + L"\\" + child, out);
  }
  RegCloseKey(key);
}

// Whether the key below HKEY_LOCAL_MACHINE exists (in the program's own view).
bool KeyExists(const std::wstring& path) {
  win32::ScopedKey key;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Receive()) ==
         ERROR_SUCCESS;
}

const wchar_t* const kRoots[] = {L"Software\\Classes", L"Software\\Microsoft\\Office",
                                 L"Software\\Wow6432Node\\Microsoft\\Office"};

Snapshot Take(HKEY hive = HKEY_LOCAL_MACHINE) {
  Snapshot s;
  for (const wchar_t* root : kRoots)
    Collect(hive, root, root, &s);
  return s;
}

bool WithinRoots(const std::string& path) {
  for (const wchar_t* root : kRoots) {
    const std::string lower = Lower(Narrow(root));
    if (path == lower || path.starts_with(lower + "\\")) return true;
  }
  return false;
}

// The DLL's bitness: a 32-bit DLL registers its classes and Office records in the 32-bit view,
// which is Wow6432Node on 64-bit Windows.
constexpr bool kDll32 = sizeof(void*) == 4;
constexpr const char* kBitsView = kDll32 ? "Wow6432Node\\" : "";

// The lines of a that b lacks, one per line.
std::string Minus(const Snapshot& a, const Snapshot& b) {
  std::string text;
  for (const std::string& line : a)
    if (!b.contains(line)) text += line + "\n";
  return text;
}

// What registration writes, as "key|value name|data" rows (a key alone when it has no values),
// with the {placeholders} filled in: {bits} is the DLL's view (classes, interfaces and Office
// records); the ProgIDs are shared by both views, and so is the type library, which Wine shows
// in both ({view}) as Windows does; the library's file lies below its platform's key
// ({platform}), its help folder is the DLL's ({dir}, with a closing backslash).
const char* const kClassRows[] = {
    R"(Software\Classes\{bits}CLSID\{clsid}||OrvanpdfVtAddIn.{name})",
    R"(Software\Classes\{bits}CLSID\{clsid}\InprocServer32||{dll})",
    R"(Software\Classes\{bits}CLSID\{clsid}\InprocServer32|ThreadingModel|Apartment)",
    R"(Software\Classes\{bits}CLSID\{clsid}\ProgID||OrvanpdfVtAddIn.{name})",
    R"(Software\Classes\{bits}CLSID\{clsid}\TypeLib||{lib})",
    R"(Software\Classes\{bits}CLSID\{clsid}\Version||1.0)",
    R"(Software\Classes\OrvanpdfVtAddIn.{name}||OrvanpdfVtAddIn.{name})",
    R"(Software\Classes\OrvanpdfVtAddIn.{name}\CLSID||{clsid})",
};
const char* const kInterfaceRows[] = {
    R"(Software\Classes\{bits}Interface\{iid}||_{name})",
    R"(Software\Classes\{bits}Interface\{iid}\ProxyStubClsid||{00020424-0000-0000-C000-000000000046})",
    R"(Software\Classes\{bits}Interface\{iid}\ProxyStubClsid32||{00020424-0000-0000-C000-000000000046})",
    R"(Software\Classes\{bits}Interface\{iid}\TypeLib||{lib})",
    R"(Software\Classes\{bits}Interface\{iid}\TypeLib|Version|1.0)",
};
const char* const kLibraryRows[] = {
    R"(Software\Classes\{view}TypeLib\{lib}\1.0||Orvan pdf Vatner COM AddIn Project)",
    R"(Software\Classes\{view}TypeLib\{lib}\1.0\FLAGS||8)",  // LIBFLAG_FHASDISKIMAGE, from widl
    R"(Software\Classes\{view}TypeLib\{lib}\1.0\0)",
    R"(Software\Classes\{view}TypeLib\{lib}\1.0\0\{platform}||{dll})",
    R"(Software\Classes\{view}TypeLib\{lib}\1.0\HELPDIR||{dir}\)",
};
const char* const kAddinRows[] = {
    R"(Software\{bits}Microsoft\Office\{host}\Addins\OrvanpdfVtAddIn.{name})",
    R"(Software\{bits}Microsoft\Office\{host}\Addins\OrvanpdfVtAddIn.{name}|FriendlyName|{friendly})",
    R"(Software\{bits}Microsoft\Office\{host}\Addins\OrvanpdfVtAddIn.{name}|Description|{description})",
    R"(Software\{bits}Microsoft\Office\{host}\Addins\OrvanpdfVtAddIn.{name}|LoadBehavior|#3)",
};
// What each host lists in its add-in dialog ("Pdf" in Excel's texts).
const std::map<std::string, std::pair<std::string, std::string>> kAddinTexts = {
    {"Excel", {"Orvan Pdf vatner Add-in", "Orvan Pdf vatner Add-in for Excel"}},
    {"PowerPoint", {"Orvan pdf vatner Add-in", "Orvan pdf vatner Add-in for Powerpoint"}},
    {"Word", {"Orvan pdf vatner Add-in", "Orvan pdf vatner Add-in for Word"}},
};

// Adds the rows to the snapshot, the placeholders replaced.
void AddRows(std::span<const char* const> rows, std::map<std::string, std::string> fill,
             const std::string& dll, Snapshot* out) {
  fill.insert({{"{lib}", "{DFD137AC-C0B2-4F02-B885-D3BEFA7C60D4}"},
               {"{bits}", kBitsView},
               {"{platform}", kDll32 ? "win32" : "win64"},
               {"{dll}", dll},
               {"{dir}", dll.substr(0, dll.rfind('\\'))}});
  for (std::string row : rows) {
    for (const auto& [placeholder, text] : fill) {
      for (std::size_t at; (at = row.find(placeholder)) != std::string::npos;)
        row.replace(at, placeholder.size(), text);
    }
    const std::size_t bar = row.find('|');
    const std::size_t second = row.find('|', bar + 1);
    out->insert(Lower(row.substr(0, bar)));
    if (bar != std::string::npos) {
      out->insert(Lower(row.substr(0, second)) + row.substr(second));
    }
  }
}

// The lines with the registry views left aside: Wine and Windows differ in which of the current
// user's keys they redirect for a 32-bit process.
Snapshot WithoutViews(const Snapshot& snapshot) {
  Snapshot out;
  for (std::string line : snapshot) {
    for (std::size_t at; (at = line.find("wow6432node\\")) != std::string::npos;)
      line.erase(at, 12);
    out.insert(line);
  }
  return out;
}

// Everything registration of the DLL at dll writes, with the parent keys it had to create.
// The type library shows in both views below HKEY_LOCAL_MACHINE, in the DLL's own below the
// current user.
Snapshot Expected(const Snapshot& before, HKEY hive = HKEY_LOCAL_MACHINE) {
  const std::string dll = ORVAN_ADDIN_DLL_PATH;
  Snapshot e;
  for (const char* view : {kBitsView, kDll32 ? "" : "Wow6432Node\\"}) {
    if (hive == HKEY_LOCAL_MACHINE || view == kBitsView)
      AddRows(kLibraryRows, {{"{view}", view}}, dll, &e);
  }
  for (const ClassCase& c : kClasses) {
    AddRows(kInterfaceRows, {{"{iid}", c.iid}, {"{name}", c.name}}, dll, &e);
    AddRows(kClassRows, {{"{clsid}", c.clsid}, {"{name}", c.name}}, dll, &e);
    if (c.host == nullptr) continue;
    const auto& [friendly, description] = kAddinTexts.at(c.host);
    AddRows(kAddinRows,
            {{"{host}", c.host},
             {"{name}", c.name},
             {"{friendly}", friendly},
             {"{description}", description}},
            dll, &e);
  }
  // Below the current user the views are left aside (see WithoutViews), also in telling which
  // parent keys existed before.
  const Snapshot seen = hive == HKEY_CURRENT_USER ? WithoutViews(before) : before;
  if (hive == HKEY_CURRENT_USER) e = WithoutViews(e);
  // Parent keys (below the roots) that did not exist before come with registration.
  for (const std::string& line : Snapshot(e)) {
    if (line.find('|') != std::string::npos) continue;
    for (std::string path = line; path.rfind('\\') != std::string::npos;) {
      path.resize(path.rfind('\\'));
      if (!WithinRoots(path)) break;
      if (!seen.contains(path)) e.insert(path);
    }
  }
  return e;
}

// Runs Wine's own regsvr32 (of the test program's bitness) with the arguments on the DLL.
DWORD Regsvr32(const std::wstring& arguments) {
  return RunProcess(L"regsvr32.exe " + arguments + L" \"" + kDll + L"\"");
}

// regsvr32 with the options registers (below hive) exactly the list, a second time changes
// nothing, unregistering restores the hive as it was; the other hive stays untouched throughout.
void CheckRegisterTwiceAndUnregister(HKEY hive = HKEY_LOCAL_MACHINE,
                                     const std::wstring& options = L"") {
  const bool per_user = hive == HKEY_CURRENT_USER;
  const HKEY other_hive = per_user ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  // From a registry without the add-in, whatever ran before.
  ASSERT_EQ(Regsvr32(L"/u /s" + options), 0u);
  const Snapshot other = Take(other_hive);
  const Snapshot before = Take(hive);
  ASSERT_EQ(Regsvr32(L"/s" + options), 0u);
  const Snapshot registered = Take(hive);
  Snapshot added = registered;
  std::erase_if(added, [&](const std::string& line) { return before.contains(line); });
  Snapshot expected = Expected(before, hive);
  if (per_user) std::tie(added, expected) = std::pair(WithoutViews(added), WithoutViews(expected));
  EXPECT_EQ(Minus(added, expected), "") << "written but not expected";
  EXPECT_EQ(Minus(expected, added), "") << "expected but not written";
  EXPECT_EQ(Minus(before, registered), "") << "registration changed or removed these";

  ASSERT_EQ(Regsvr32(L"/s" + options), 0u);
  const Snapshot again = Take(hive);
  EXPECT_EQ(Minus(again, registered) + Minus(registered, again), "")
      << "the second registration changed these";

  ASSERT_EQ(Regsvr32(L"/u /s" + options), 0u);
  const Snapshot after = Take(hive);
  EXPECT_EQ(Minus(after, before) + Minus(before, after), "") << "unregistration left these changed";
  const Snapshot other_after = Take(other_hive);
  EXPECT_EQ(Minus(other_after, other) + Minus(other, other_after), "") << "the other hive changed";
}

// regsvr32 /n /i:user registers below HKEY_CURRENT_USER exactly what the machine's registration
// writes below HKEY_LOCAL_MACHINE, and /u takes all of it back; DllInstall without a command line
// registers for the machine.
TEST(RegistrationWin32, DllInstallRegistersPerUserAndWithoutCommandLineForTheMachine) {
  ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
  // The class containers a Windows profile has (a new Wine profile lacks some); unregistering
  // leaves them, as every COM server does.
  for (const wchar_t* container : {L"CLSID", L"Interface", L"TypeLib"}) {
    for (const wchar_t* view : {L"", L"Wow6432Node\\"})
      ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER,
                                (std::wstring(L"Software\\Classes\\") + view + container).c_str(),
                                0, nullptr, 0, KEY_READ | KEY_WOW64_64KEY, nullptr,
                                win32::ScopedKey().Receive(), nullptr),
                ERROR_SUCCESS);
  }
  CheckRegisterTwiceAndUnregister(HKEY_CURRENT_USER, L" /n /i:user");
  EXPECT_NE(Regsvr32(L"/s /n /i:everyone"), 0u) << "an unknown command line is refused";
  CheckRegisterTwiceAndUnregister(HKEY_LOCAL_MACHINE, L" /n /i");
}

// The installer package of the DLL's bitness installs exactly what regsvr32 writes for the same
// DLL in the package's folder, key by key; the add-in then loads from there and prints with the
// printer's job API library beside it; removing the package leaves no key and no file.
TEST(RegistrationWin32, MsiPackageInstallsWhatRegsvr32WritesAndRemovesAllOfIt) {
  // Windows Installer's own records of the product are not the add-in's.
  const auto without_installer = [](Snapshot snapshot) {
    std::erase_if(snapshot, [](const std::string& line) {
      return line.starts_with("software\\classes\\installer") ||
             line.starts_with("software\\classes\\wow6432node\\installer");
    });
    return snapshot;
  };
  const std::wstring folder = L"C:\\Orvan Msi Test";
  const std::wstring dll = folder + L"\\OrvanpdfVtAddin.dll";
  const std::wstring job_api = folder + L"\\OrvanpdfVtAPI.dll";
  const std::wstring msi = L"\"" + Widen(ORVAN_MSI_PATH) + L"\"";
  const std::wstring officesim = L"\"" + Widen(ORVAN_OFFICESIM_PATH) + L"\"";
  // From a machine without the add-in, whatever ran before.
  ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
  RunProcess(L"msiexec.exe /x " + msi + L" /qn");
  for (const wchar_t* left :
       {L"OrvanpdfVtAddin.dll", L"OrvanpdfVtAddinDoctor.exe", L"OrvanpdfVtAPI.dll"})
    DeleteFileW((folder + L"\\" + left).c_str());
  RemoveDirectoryW(folder.c_str());
  ASSERT_EQ(RunProcess(officesim + L" --install"), 0u) << "the simulated Office installed first";
  const Snapshot before = without_installer(Take());

  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(CopyFileW(kDll.c_str(), dll.c_str(), FALSE));
  ASSERT_EQ(RunProcess(L"regsvr32.exe /s \"" + dll + L"\""), 0u);
  const Snapshot by_regsvr32 = without_installer(Take());
  ASSERT_EQ(RunProcess(L"regsvr32.exe /u /s \"" + dll + L"\""), 0u);
  ASSERT_TRUE(DeleteFileW(dll.c_str())) << GetLastError();
  ASSERT_TRUE(RemoveDirectoryW(folder.c_str())) << GetLastError();

  ASSERT_EQ(RunProcess(L"msiexec.exe /i " + msi + L" /qn INSTALLFOLDER=\"" + folder + L"\""), 0u);
  const Snapshot by_package = without_installer(Take());
  EXPECT_EQ(Minus(by_package, by_regsvr32), "") << "the package wrote these, regsvr32 did not";
  EXPECT_EQ(Minus(by_regsvr32, by_package), "") << "regsvr32 wrote these, the package did not";
  EXPECT_NE(GetFileAttributesW((folder + L"\\OrvanpdfVtAddinDoctor.exe").c_str()),
            INVALID_FILE_ATTRIBUTES);

  ASSERT_TRUE(CopyFileW(Widen(ORVAN_JOB_API_DLL_PATH).c_str(), job_api.c_str(), FALSE));
  EXPECT_EQ(RunProcess(officesim + L" \"" + Widen(ORVAN_MSI_SCENARIO_PATH) + L"\""), 0u)
      << "the installed add-in did not print as the scenario expects";
  ASSERT_TRUE(DeleteFileW(job_api.c_str()));

  ASSERT_EQ(RunProcess(L"msiexec.exe /x " + msi + L" /qn"), 0u);
  const Snapshot after = without_installer(Take());
  EXPECT_EQ(Minus(after, before) + Minus(before, after), "") << "the removal left these changed";
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "the folder stays";
  EXPECT_FALSE(KeyExists(L"Software\\Orvan software GmbH"))
      << "the package's record of its folder stays";
}

// Also with Office's libraries registered (as Office's installer would): the add-in's
// registration leaves their keys, and those of their interfaces, which the add-in's interfaces
// refer to, exactly as they were.
TEST(RegistrationWin32, RegsvrWritesTheListAndUnregisteringRemovesAllOfIt) {
  CheckRegisterTwiceAndUnregister();
  const StandIn office(ORVAN_OFFICE_TLB_PATH);
  const StandIn designer(ORVAN_ADDIN_DESIGNER_TLB_PATH);
  ASSERT_TRUE(office.registered() && designer.registered());
  CheckRegisterTwiceAndUnregister();
}

// The type library's keys and the ProgIDs are one for both registry views: unregistering keeps
// them while the DLL of the other bitness has its file registered there.
TEST(RegistrationWin32, UnregisteringKeepsTheLibraryTheOtherBitnessRegistered) {
  const std::wstring version =
      L"Software\\Classes\\TypeLib\\{DFD137AC-C0B2-4F02-B885-D3BEFA7C60D4}\\1.0";
  const std::wstring other = version + (kDll32 ? L"\\0\\win64" : L"\\0\\win32");
  ASSERT_EQ(Regsvr32(L"/s"), 0u);
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, other.c_str(), nullptr, REG_SZ, L"other.dll", 20),
            ERROR_SUCCESS);
  ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
  EXPECT_TRUE(KeyExists(version)) << "removed with the other bitness's registration in it";
  EXPECT_TRUE(KeyExists(L"Software\\Classes\\OrvanpdfVtAddIn.Addin")) << "the shared ProgID went";
  EXPECT_TRUE(KeyExists(other));
  EXPECT_FALSE(KeyExists(version + (kDll32 ? L"\\0\\win32" : L"\\0\\win64")));
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, version.substr(0, version.rfind(L'\\')).c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, version.substr(0, version.rfind(L'\\')).c_str());
  // A registration and its removal take the shared ProgIDs away again.
  ASSERT_EQ(Regsvr32(L"/s"), 0u);
  ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
}

// A key that cannot be written fails registration with the system's error; unregistration then
// removes what was written. A volatile class key refuses the lasting subkeys below it.
TEST(RegistrationWin32, AFailedWriteIsReportedAndUnregisteringCleansUp) {
  const HMODULE dll = LoadLibraryW(kDll.c_str());
  ASSERT_NE(dll, nullptr);
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const auto register_server =
      reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
  const auto unregister_server =
      reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, "DllUnregisterServer")));
  ASSERT_TRUE(register_server && unregister_server);

  const Snapshot before = Take();
  EXPECT_EQ(unregister_server(), S_OK) << "nothing registered is nothing to fail on";
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                            L"Software\\Classes\\CLSID\\{5AE15024-866A-4778-82EB-68F516E45DF5}", 0,
                            nullptr, REG_OPTION_VOLATILE, KEY_READ, nullptr,
                            win32::ScopedKey().Receive(), nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(register_server(), HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
  EXPECT_EQ(unregister_server(), S_OK);
  const Snapshot after = Take();
  EXPECT_EQ(Minus(after, before) + Minus(before, after), "");
  FreeLibrary(dll);
}

}  // namespace
}  // namespace orvan::testing
