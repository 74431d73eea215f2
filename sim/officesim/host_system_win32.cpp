#include "sim/officesim/host_system_win32.h"

#include <cstdio>
#include <cstring>
#include <cwctype>

#include "platform/win32/com_win32.h"
#include "sim/officesim/clipboard_face_win32.h"
#include "platform/win32/wide_text_win32.h"
#include "sim/officesim/scenario.h"
#include "sim/officesim/transcript.h"
#include "support/ansi_text.h"
#include "support/utf8.h"

#include <psapi.h>
#include <tlhelp32.h>

namespace orvan::sim {

using win32::ScopedKey;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

std::string Hresult(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::string HexBytes(std::string_view bytes) {
  std::string hex;
  for (const char c : bytes) {
    char pair[4];
    std::snprintf(pair, sizeof pair, hex.empty() ? "%02X" : " %02X",
                  static_cast<unsigned>(c & 0xFF));
    hex += pair;
  }
  return hex;
}

std::string RegistryValue(unsigned long type, std::string_view data) {
  const std::string length = " " + std::to_string(data.size()) + " ";
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
      return (type == REG_SZ          ? "sz"
              : type == REG_EXPAND_SZ ? "expand-sz"
                                      : "multi-sz") +
             length + Quote(AnsiToUtf8(Escaped(data)));
    case REG_DWORD:
      if (data.size() == sizeof(DWORD)) {
        DWORD number;
        std::memcpy(&number, data.data(), sizeof number);
        return "dword" + length + std::to_string(number);
      }
      return "dword" + length + Quote(HexBytes(data));
    case REG_BINARY:
      return "binary" + length + Quote(HexBytes(data));
    default:
      return "type " + std::to_string(type) + length + Quote(HexBytes(data));
  }
}

namespace {

// Every value below the key, as "registry <path below the product key> <name> = <value>".
void RegistryLines(HKEY key, const std::string& path, std::vector<std::string>& lines) {
  char name[512];
  BYTE data[2048];
  for (DWORD i = 0;; ++i) {
    DWORD name_size = sizeof name;
    DWORD data_size = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(key, i, name, &name_size, nullptr, &type, data, &data_size) !=
        ERROR_SUCCESS) {
      break;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data), data_size);
    const std::string value = RegistryValue(type, bytes);
    lines.push_back(Quote(path) + " " + Quote(AnsiToUtf8(name)) + " = " + value);
  }
  for (DWORD i = 0;; ++i) {
    DWORD name_size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &name_size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    ScopedKey child;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, child.Receive()) != ERROR_SUCCESS) continue;
    RegistryLines(child.get(), path.empty() ? name : path + "\\" + name, lines);
  }
}
}  // namespace

std::vector<std::string> ProductRegistry() {
  std::vector<std::string> lines;
  ScopedKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS) {
    RegistryLines(key.get(), "", lines);
  }
  return lines;
}

void ForgetHostValues(const char* program) {
  ScopedKey addin;
  const std::string path = std::string(kProductKey) + "\\OfficeAddin";
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, addin.Receive()) !=
      ERROR_SUCCESS) {
    return;
  }
  char name[512];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(addin.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    ScopedKey key;
    if (RegOpenKeyExA(addin.get(), name, 0, KEY_READ | KEY_SET_VALUE, key.Receive()) !=
        ERROR_SUCCESS) {
      continue;
    }
    std::vector<std::string> doomed;
    char value[512];
    for (DWORD j = 0;; ++j) {
      DWORD value_size = sizeof value;
      if (RegEnumValueA(key.get(), j, value, &value_size, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      if (utf8::TextContains(value, program)) doomed.emplace_back(value);
    }
    for (const std::string& v : doomed)
      RegDeleteValueA(key.get(), v.c_str());
  }
}

namespace {

constexpr char kWineDriver[] = "Wine PostScript Driver";

// Wine's AddPrinter refuses a printer whose driver is not registered, and a prefix without CUPS
// printers has none: Wine's PostScript driver is registered with the generic PPD file that
// winspool.drv carries as resource PPDFILE 1.
bool RegisterWineDriver() {
  char ppd[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, ppd);
  if (length == 0 || length + sizeof "generic.ppd" > MAX_PATH) return false;
  lstrcatA(ppd, "generic.ppd");
  bool written = false;
  if (HMODULE spool = LoadLibraryExA("winspool.drv", nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
    HRSRC resource = FindResourceA(spool, MAKEINTRESOURCEA(1), "PPDFILE");
    HGLOBAL data = resource ? LoadResource(spool, resource) : nullptr;
    const DWORD size = resource ? SizeofResource(spool, resource) : 0;
    if (data && size) {
      HANDLE file = CreateFileA(ppd, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        DWORD done = 0;
        written = WriteFile(file, LockResource(data), size, &done, nullptr) && done == size;
        CloseHandle(file);
      }
    }
    FreeLibrary(spool);
  }
  if (!written) return false;
  std::string name = kWineDriver, wineps = "wineps.drv", raw = "RAW";
  DRIVER_INFO_3A driver{};
  driver.cVersion = 3;
  driver.pName = name.data();
  driver.pDriverPath = wineps.data();
  driver.pDataFile = ppd;  // copied into the spooler's driver folder
  driver.pConfigFile = wineps.data();
  driver.pDefaultDataType = raw.data();
  return AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&driver),
                             APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY) != FALSE;
}

}  // namespace

// Only the returned handles tell success: Wine leaves stale last-error codes on success.
void InstallInSpooler(const std::vector<Printer>& printers) {
  bool driver_ready = false;
  for (const Printer& printer : printers) {
    std::string name = Utf8ToAnsi(printer.name);
    HANDLE handle = nullptr;
    if (OpenPrinterA(name.data(), &handle, nullptr)) {
      ClosePrinter(handle);
      continue;
    }
    if (!driver_ready && !(driver_ready = RegisterWineDriver())) {
      std::fprintf(stderr, "officesim: could not register the %s (error %lu)\n", kWineDriver,
                   GetLastError());
    }
    std::string port = Utf8ToAnsi(printer.port), driver = kWineDriver, processor = "WinPrint",
                datatype = "RAW";
    PRINTER_INFO_2A info{};
    info.pPrinterName = name.data();
    info.pPortName = port.data();
    info.pDriverName = driver.data();
    info.pPrintProcessor = processor.data();
    info.pDatatype = datatype.data();
    if (HANDLE added = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info))) {
      ClosePrinter(added);
    } else {
      std::fprintf(stderr, "officesim: the spooler refused printer %s (error %lu)\n",
                   printer.name.c_str(), GetLastError());
    }
  }
}

std::wstring FolderOf(const std::wstring& path) {
  std::wstring folder = path.substr(0, path.rfind(L'\\') + 1);
  for (wchar_t& c : folder)
    c = towlower(c);
  return folder;
}

std::set<std::string> ModulesIn(const std::set<std::wstring>& folders) {
  std::set<std::string> names;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
  if (snapshot == INVALID_HANDLE_VALUE) return names;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot, &entry); more; more = Module32NextW(snapshot, &entry)) {
    const std::wstring path = entry.szExePath;
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) continue;
    if (folders.contains(FolderOf(path))) names.insert(win32::Narrow(path.substr(slash + 1)));
  }
  CloseHandle(snapshot);
  return names;
}

namespace {

// Wine answers GetProcessHandleCount with 0: count the values the process's handle table accepts.
// Handles are multiples of 4 handed out lowest first, so a long run of free values ends the table.
std::int64_t CountHandlesByProbing() {
  constexpr std::uintptr_t kLast = 65536, kFreeRunEnd = 4096;
  std::int64_t count = 0;
  std::uintptr_t free_run = 0;
  for (std::uintptr_t value = 4; value <= kLast && free_run < kFreeRunEnd; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
      ++count;
      free_run = 0;
    } else {
      free_run += 4;
    }
  }
  return count;
}

// Wine leaves PrivateUsage 0: the committed private regions of the address space are the same sum.
std::int64_t PrivateKbByWalking() {
  std::uint64_t bytes = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* address = nullptr;
       VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
    if (region.RegionSize == 0) break;
  }
  return static_cast<std::int64_t>(bytes / 1024);
}

}  // namespace

// Windows' own counters first; where the system gives 0 (Wine), handles and private memory are
// counted from the process itself. GDI and USER objects have no such way: under Wine they stay 0.
ProcessResources ReadProcessResources() {
  const HANDLE process = GetCurrentProcess();
  ProcessResources now;
  now.gdi = GetGuiResources(process, GR_GDIOBJECTS);
  now.user = GetGuiResources(process, GR_USEROBJECTS);
  DWORD handles = 0;
  if (GetProcessHandleCount(process, &handles)) now.handles = handles;
  if (now.handles == 0) now.handles = CountHandlesByProbing();
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory)) {
    now.private_kb = static_cast<std::int64_t>(memory.PrivateUsage / 1024);
  }
  if (now.private_kb == 0) now.private_kb = PrivateKbByWalking();
  now.bitmaps_read = ClipboardBitmapsRead();
  return now;
}

std::string DescribeResources(const ProcessResources& now) {
  return "gdi " + std::to_string(now.gdi) + " user " + std::to_string(now.user) + " handles " +
         std::to_string(now.handles) + " private-kb " + std::to_string(now.private_kb) +
         " bitmaps-read " + std::to_string(now.bitmaps_read);
}

std::string DescribeResourceChange(const ProcessResources& before, const ProcessResources& now) {
  // What a run moves without holding anything more: COM and the loader cache a few handles, the
  // heap grows in steps and keeps what it got.
  constexpr std::int64_t kHandleSlack = 16;
  constexpr std::int64_t kPrivateSlackKb = 2048;
  const auto signed_text = [](std::int64_t n) { return (n < 0 ? "" : "+") + std::to_string(n); };
  const auto slack = [&](std::int64_t change, std::int64_t allowed) {
    return change >= -allowed && change <= allowed ? std::string("flat") : signed_text(change);
  };
  return "gdi " + signed_text(now.gdi - before.gdi) + " user " +
         signed_text(now.user - before.user) + " handles " +
         slack(now.handles - before.handles, kHandleSlack) + " private-kb " +
         slack(now.private_kb - before.private_kb, kPrivateSlackKb);
}

}  // namespace orvan::sim
