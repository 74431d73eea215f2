// Self-registration through Windows' own regsvr32, checked against the whole registry area it
// may touch (HKLM\Software\Classes and HKLM\Software\Microsoft\Office): registering adds exactly
// the listed keys and values, a second registration changes nothing, unregistering restores the
// area as it was. Registered, every class comes by its ProgID through the COM runtime, and a
// VBScript run by Wine's cscript drives Addin. Also the version resource as the version API reads
// it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/com_win32.h"
#include "platform/win32/wide_text_win32.h"
#include "platform/win32/win32.h"
#include "win32/com_client_win32.h"

namespace orvan::testing {
namespace {

using win32::Narrow;
using win32::Widen;

const std::wstring kDll = Widen(ORVAN_ADDIN_DLL_PATH);
constexpr char kLibid[] = "{DFD137AC-C0B2-4F02-B885-D3BEFA7C60D4}";
constexpr char kOleAutomationProxy[] = "{00020424-0000-0000-C000-000000000046}";

// The registered classes; a host marks the three designers Office connects to.
const struct RegisteredClass {
  const char* name;
  const char* clsid;
  const char* iid;
  const char* host = nullptr;
  const char* friendly = nullptr;
  const char* description = nullptr;
} kRegistered[] = {
    {"Addin", "{22A03E1D-5747-4F3C-A3B0-718EBAC5CB60}", "{955D02B4-BFA3-4956-AEAA-A9837EBFDC49}"},
    {"dsrPdfVtAddinExcel", "{20E545B0-613F-4AF2-ACC8-C776FC3E9EFC}",
     "{ADCAAC4E-ECC4-4660-9992-6B494508A331}", "Excel", "Orvan Pdf vatner Add-in",
     "Orvan Pdf vatner Add-in for Excel"},
    {"dsrPdfVtAddinPowerpoint", "{D76F6F12-B1B9-4C98-8500-17152104A472}",
     "{82E499ED-554B-46DB-A082-F078C658EBB0}", "PowerPoint", "Orvan pdf vatner Add-in",
     "Orvan pdf vatner Add-in for Powerpoint"},
    {"dsrPdfVtAddinWord", "{5AE15024-866A-4778-82EB-68F516E45DF5}",
     "{94800EBA-8B22-40BB-9C35-A7260504194F}", "Word", "Orvan pdf vatner Add-in",
     "Orvan pdf vatner Add-in for Word"},
    {"ExcelDesigner", "{A21C133D-ABA4-434F-ABAA-FDDC5EC1CBC8}",
     "{8122E544-3BB9-4D13-8F51-2A6944E74564}"},
    {"PowerPointDesigner", "{F680BF36-87A9-4C09-A53F-252B6ED6FA2F}",
     "{311C4353-D396-4E14-B4E5-FF0A4DD044BA}"},
    {"WordDesigner", "{5C7BA2AE-FFFC-40EC-8573-BBEBD74F1177}",
     "{322CD265-FE0C-4E69-9EA6-62AFDAA79AD1}"},
};

TEST(RegistrationWin32, VersionResourceReadsBackThroughTheVersionApi) {
  std::vector<BYTE> block(GetFileVersionInfoSizeW(kDll.c_str(), nullptr));
  ASSERT_FALSE(block.empty()) << GetLastError();
  ASSERT_TRUE(GetFileVersionInfoW(kDll.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000023u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000023u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

  // The first translation names the string block that clients look in.
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  wchar_t prefix[64];
  swprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  const std::pair<const wchar_t*, std::wstring> strings[] = {
      {L"FileVersion", L"1.00.0035"},
      {L"ProductVersion", L"1.00.0035"},
      {L"InternalName", L"OrvanpdfVtAddin"},
      {L"OriginalFilename", L"OrvanpdfVtAddin.dll"},
      {L"ProductName", L"Orvan pdf vatner COM Add-In f\u00fcr Word, Excel und Powerpoint"},
      {L"OLESelfRegister", L""},
  };
  for (const auto& [name, expected] : strings) {
    wchar_t* text = nullptr;
    const std::wstring query = std::wstring(prefix) + name;
    ASSERT_TRUE(
        VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length))
        << Narrow(name);
    EXPECT_EQ(std::wstring(text), expected) << Narrow(name);
  }
}

// Every key ("K path") and value ("V path | name | type | data") below the roots, sorted. Key
// paths and value names in lower case, as the registry compares them (Wine names a key it
// creates "Typelib", Windows has "TypeLib").
using Snapshot = std::set<std::string>;

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}
std::string KeyLine(const std::string& path) {
  return "K " + Lower(path);
}
std::string ValueLine(const std::string& path, const std::string& name, DWORD type,
                      const std::string& data) {
  return "V " + Lower(path) + " | " + Lower(name) + " | " + std::to_string(type) + " | " + data;
}

// Key below parent, opened relative to it; path is its full path for the lines.
void Collect(HKEY parent, const std::wstring& name, const std::wstring& path, Snapshot* out) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  out->insert(KeyLine(Narrow(path)));
  std::vector<wchar_t> value_name(16384);
  std::vector<BYTE> data(1 << 16);
  for (DWORD i = 0;; ++i) {
    DWORD name_size = static_cast<DWORD>(value_name.size());
    DWORD data_size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueW(key, i, value_name.data(), &name_size, nullptr, &type, data.data(),
                      &data_size) != ERROR_SUCCESS) {
      break;
    }
    std::string shown = std::to_string(data_size) + " bytes";
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
      shown = Narrow(
          std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data_size / sizeof(wchar_t))
              .c_str());
    } else if (type == REG_DWORD) {
      shown = std::to_string(*reinterpret_cast<const DWORD*>(data.data()));
    }
    out->insert(ValueLine(Narrow(path), Narrow(value_name.data()), type, shown));
  }
  wchar_t child[256];
  for (DWORD i = 0;; ++i) {
    DWORD child_size = 256;
    if (RegEnumKeyExW(key, i, child, &child_size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    Collect(key, child, path + L"\\" + child, out);
  }
  RegCloseKey(key);
}

Snapshot Take() {
  Snapshot s;
  for (const wchar_t* root : {L"Software\\Classes", L"Software\\Microsoft\\Office"})
    Collect(HKEY_LOCAL_MACHINE, root, root, &s);
  return s;
}

// The lines of a that b lacks, one per line.
std::string Minus(const Snapshot& a, const Snapshot& b) {
  std::string text;
  for (const std::string& line : a) {
    if (!b.contains(line)) text += line + "\n";
  }
  return text;
}

// Everything registration writes, with the parent keys it had to create. Wine's RegisterTypeLib
// writes the library and its interfaces into both registry views.
Snapshot Expected(const Snapshot& before) {
  const std::string dll = ORVAN_ADDIN_DLL_PATH;
  Snapshot e;
  const auto key = [&](const std::string& path, const std::string& default_value) {
    e.insert(KeyLine(path));
    if (!default_value.empty()) e.insert(ValueLine(path, "", REG_SZ, default_value));
  };
  const auto text = [&](const std::string& path, const std::string& name, const std::string& v) {
    e.insert(ValueLine(path, name, REG_SZ, v));
  };
  const std::string classes_key = "Software\\Classes\\";
  for (const RegisteredClass& c : kRegistered) {
    const std::string prog_id = std::string("OrvanpdfVtAddIn.") + c.name;
    const std::string clsid = classes_key + "CLSID\\" + c.clsid;
    key(clsid, prog_id);
    key(clsid + "\\InprocServer32", dll);
    text(clsid + "\\InprocServer32", "ThreadingModel", "Apartment");
    key(clsid + "\\ProgID", prog_id);
    key(clsid + "\\TypeLib", kLibid);
    key(clsid + "\\Version", "1.0");
    key(classes_key + prog_id, prog_id);
    key(classes_key + prog_id + "\\CLSID", c.clsid);
    for (const char* view : {"", "Wow6432Node\\"}) {
      const std::string iid = classes_key + view + "Interface\\" + c.iid;
      key(iid, std::string("_") + c.name);
      key(iid + "\\ProxyStubClsid", kOleAutomationProxy);
      key(iid + "\\ProxyStubClsid32", kOleAutomationProxy);
      key(iid + "\\TypeLib", kLibid);
      text(iid + "\\TypeLib", "Version", "1.0");
    }
    if (c.host != nullptr) {
      const std::string addin =
          "Software\\Microsoft\\Office\\" + std::string(c.host) + "\\Addins\\" + prog_id;
      key(addin, "");
      text(addin, "FriendlyName", c.friendly);
      text(addin, "Description", c.description);
      e.insert(ValueLine(addin, "LoadBehavior", REG_DWORD, "3"));
    }
  }
  for (const char* view : {"", "Wow6432Node\\"}) {
    const std::string library = classes_key + view + "TypeLib\\" + kLibid + "\\1.0";
    key(library, "Orvan pdf Vatner COM AddIn Project");
    key(library + "\\FLAGS", "8");  // LIBFLAG_FHASDISKIMAGE, as widl marks the library
    key(library + "\\0", "");
    key(library + "\\0\\win64", dll);
    key(library + "\\HELPDIR", dll.substr(0, dll.rfind('\\')));
  }
  // Parent keys (below the roots) that did not exist before come with registration.
  for (const std::string& line : Snapshot(e)) {
    if (line[0] != 'K') continue;
    for (std::string path = line.substr(2); path.rfind('\\') != std::string::npos;) {
      path.resize(path.rfind('\\'));
      if (path == "software\\classes" || path == "software\\microsoft") break;
      if (!before.contains(KeyLine(path))) e.insert(KeyLine(path));
    }
  }
  return e;
}

// Runs a command line with its output read through a pipe; the exit code and the output.
std::pair<DWORD, std::string> RunCommand(std::wstring command) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return {GetLastError() | 0x80000000u, ""};
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(write_end);
  if (!started) {
    CloseHandle(read_end);
    return {GetLastError() | 0x80000000u, ""};
  }
  std::string output;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got != 0)
    output.append(buffer, got);
  CloseHandle(read_end);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
  return {code, output};
}

// Runs regsvr32 (Wine's own) with the arguments; its exit code.
DWORD Regsvr32(const std::wstring& arguments) {
  return RunCommand(L"regsvr32.exe " + arguments + L" \"" + kDll + L"\"").first;
}

void CheckRegisterTwiceAndUnregister() {
  // From a registry without the add-in, whatever ran before.
  ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
  const Snapshot before = Take();
  ASSERT_EQ(Regsvr32(L"/s"), 0u);
  const Snapshot registered = Take();
  const Snapshot expected = Expected(before);
  Snapshot added;
  std::set_difference(registered.begin(), registered.end(), before.begin(), before.end(),
                      std::inserter(added, added.end()));
  EXPECT_EQ(Minus(added, expected), "") << "written but not expected";
  EXPECT_EQ(Minus(expected, added), "") << "expected but not written";
  EXPECT_EQ(Minus(before, registered), "") << "registration changed or removed these";

  ASSERT_EQ(Regsvr32(L"/s"), 0u);
  const Snapshot again = Take();
  EXPECT_EQ(Minus(again, registered) + Minus(registered, again), "")
      << "the second registration changed these";

  ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
  const Snapshot after = Take();
  EXPECT_EQ(Minus(after, before), "") << "left behind by unregistration";
  EXPECT_EQ(Minus(before, after), "") << "removed by unregistration";
}

TEST(RegistrationWin32, RegsvrWritesTheListAndUnregisteringRemovesAllOfIt) {
  CheckRegisterTwiceAndUnregister();
}

// With Office's libraries registered (as Office's installer would) the add-in's registration
// leaves their keys (and those of their interfaces, which the add-in's interfaces refer to)
// exactly as they were.
TEST(RegistrationWin32, RegsvrLeavesTheKeysOfOfficesLibrariesAlone) {
  const StandIn office(ORVAN_OFFICE_TLB_PATH);
  const StandIn designer(ORVAN_ADDIN_DESIGNER_TLB_PATH);
  ASSERT_TRUE(office.registered() && designer.registered());
  const Snapshot before = Take();
  ASSERT_TRUE(before.contains(
      KeyLine("Software\\Classes\\Interface\\{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}")));
  ASSERT_TRUE(before.contains(
      KeyLine("Software\\Classes\\Interface\\{000C0308-0000-0000-C000-000000000046}")));
  CheckRegisterTwiceAndUnregister();
}

// A key that cannot be written fails registration with the system's error; unregistration then
// removes what was written. A volatile class key refuses the lasting subkeys below it.
TEST(RegistrationWin32, AFailedWriteIsReportedAndUnregisteringCleansUp) {
  const HMODULE dll = LoadLibraryW(kDll.c_str());
  ASSERT_NE(dll, nullptr);
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const auto entry = [dll](const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  };
  const Entry register_server = entry("DllRegisterServer");
  const Entry unregister_server = entry("DllUnregisterServer");
  ASSERT_TRUE(register_server && unregister_server);

  const Snapshot before = Take();
  EXPECT_EQ(unregister_server(), S_OK) << "nothing registered is nothing to fail on";
  HKEY blocker = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                            L"Software\\Classes\\CLSID\\{5AE15024-866A-4778-82EB-68F516E45DF5}", 0,
                            nullptr, REG_OPTION_VOLATILE, KEY_READ, nullptr, &blocker, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(blocker);
  EXPECT_EQ(register_server(), HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
  EXPECT_EQ(unregister_server(), S_OK);
  const Snapshot after = Take();
  EXPECT_EQ(Minus(after, before) + Minus(before, after), "");
  FreeLibrary(dll);
}

// Registered machine-wide by regsvr32 for the test's duration (Wine reads no per-user classes).
class Registered {
 public:
  Registered() : ok_(Regsvr32(L"/s") == 0) {}
  ~Registered() { Regsvr32(L"/u /s"); }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

GUID Guid(const char* text) {
  GUID guid{};
  CLSIDFromString(Widen(text).c_str(), &guid);
  return guid;
}

TEST(RegistrationWin32, EveryProgIdCreatesItsClassThroughTheComRuntime) {
  const Registered registered;
  ASSERT_TRUE(registered.ok());
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  for (const RegisteredClass& c : kRegistered) {
    SCOPED_TRACE(c.name);
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(Widen(std::string("OrvanpdfVtAddIn.") + c.name).c_str(), &clsid),
              S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, Guid(c.clsid)));
    win32::ComPtr<IUnknown> object;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(object.Receive())),
              S_OK);
    win32::ComPtr<IDispatch> face, extension;
    EXPECT_EQ(object->QueryInterface(Guid(c.iid), reinterpret_cast<void**>(face.Receive())), S_OK);
    // Only the designers Office connects to serve IDTExtensibility2.
    EXPECT_EQ(
        object->QueryInterface(kIidExtensibility, reinterpret_cast<void**>(extension.Receive())),
        c.host ? S_OK : E_NOINTERFACE);
  }
  CoUninitialize();
}

// Wine's own VBScript engine creates Addin by its ProgID, writes AddinDsr by value and by
// reference, and calls Init with a Dictionary, which is no Office application.
TEST(RegistrationWin32, AScriptDrivesTheAddinByProgId) {
  const Registered registered;
  ASSERT_TRUE(registered.ok());
  const auto [code, output] =
      RunCommand(L"cscript.exe //nologo \"" + Widen(ORVAN_AUTOMATION_CLIENT_VBS_PATH) + L"\"");
  EXPECT_EQ(code, 0u) << output;
  EXPECT_EQ(output,
            "AddinDsr initial: Empty\n"
            "AddinDsr by value: 5\n"
            "AddinDsr by reference: the same Dictionary, 2 items\n"
            "Init error 424: Object required\n"
            "done\n");
}

}  // namespace
}  // namespace orvan::testing
