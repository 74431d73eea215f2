// OrvanpdfVtAddinDoctor.exe: the doctor's checks (doctor.cpp) against this machine's registry,
// files, libraries and spooler, written to the console or, redirected, as UTF-8.
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "doctor/doctor.h"
#include "jobapi/vatner_api.h"
#include "platform/win32/com_win32.h"
#include "platform/win32/wide_text_win32.h"
#include "platform/win32/win32.h"
#include "support/ansi_text.h"

namespace orvan::doctor {
namespace {

using win32::Narrow;
using win32::ScopedKey;
using win32::Widen;

class ScopedFile {
 public:
  explicit ScopedFile(HANDLE handle) : handle_(handle) {}
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  ~ScopedFile() {
    if (valid()) CloseHandle(handle_);
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

struct LibraryFree {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ScopedLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFree>;

HKEY RootKey(Root root) {
  return root == Root::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM ViewFlag(View view) {
  return view == View::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

// A path from the registry with its environment variables (%ProgramFiles%) expanded.
std::wstring Expanded(const std::string& path) {
  const std::wstring wide = Widen(path);
  const DWORD size = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
  if (size == 0) return wide;
  std::wstring expanded(size, L'\0');
  const DWORD written = ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), size);
  if (written == 0 || written > size) return wide;
  expanded.resize(written - 1);
  return expanded;
}

class WindowsSystem final : public System {
 public:
  Bits OwnBits() const override { return sizeof(void*) == 8 ? Bits::k64 : Bits::k32; }

  bool HasTwoViews() const override {
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
  }

  bool KeyExists(Root root, View view, const std::string& key) override {
    ScopedKey opened;
    return Open(root, view, key, KEY_READ, opened) == ERROR_SUCCESS;
  }

  std::optional<RegistryData> ReadValue(Root root, View view, const std::string& key,
                                        const std::string& name) override {
    ScopedKey opened;
    if (Open(root, view, key, KEY_QUERY_VALUE, opened) != ERROR_SUCCESS) return std::nullopt;
    const std::wstring wide_name = Widen(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(opened.get(), wide_name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      return std::nullopt;
    RegistryData data{name, type, std::vector<std::uint8_t>(size)};
    if (RegQueryValueExW(opened.get(), wide_name.c_str(), nullptr, &type, data.bytes.data(),
                         &size) != ERROR_SUCCESS)
      return std::nullopt;
    data.bytes.resize(size);
    return data;
  }

  std::vector<RegistryData> Values(Root root, View view, const std::string& key) override {
    std::vector<RegistryData> values;
    ScopedKey opened;
    if (Open(root, view, key, KEY_QUERY_VALUE, opened) != ERROR_SUCCESS) return values;
    DWORD name_length = 0, data_size = 0;
    if (RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, &name_length, &data_size, nullptr, nullptr) != ERROR_SUCCESS)
      return values;
    std::vector<wchar_t> name(name_length + 1);
    std::vector<std::uint8_t> bytes(data_size);
    for (DWORD index = 0;; ++index) {
      DWORD name_size = static_cast<DWORD>(name.size()), size = data_size, type = 0;
      const LONG rc = RegEnumValueW(opened.get(), index, name.data(), &name_size, nullptr, &type,
                                    bytes.data(), &size);
      if (rc != ERROR_SUCCESS) break;
      values.push_back({Narrow(std::wstring_view(name.data(), name_size)), type,
                        std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + size)});
    }
    return values;
  }

  std::vector<std::string> SubKeys(Root root, View view, const std::string& key) override {
    std::vector<std::string> names;
    ScopedKey opened;
    if (Open(root, view, key, KEY_ENUMERATE_SUB_KEYS, opened) != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
      DWORD size = static_cast<DWORD>(std::size(name));
      if (RegEnumKeyExW(opened.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      names.push_back(Narrow(std::wstring_view(name, size)));
    }
    return names;
  }

  std::uint32_t WriteNumber(Root root, View view, const std::string& key, const std::string& name,
                            std::uint32_t number) override {
    ScopedKey opened;
    if (const LONG rc = Open(root, view, key, KEY_SET_VALUE, opened); rc != ERROR_SUCCESS)
      return static_cast<std::uint32_t>(rc);
    const DWORD value = number;
    return static_cast<std::uint32_t>(
        RegSetValueExW(opened.get(), Widen(name).c_str(), 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&value), sizeof value));
  }

  std::uint32_t DeleteValue(Root root, View view, const std::string& key,
                            const std::string& name) override {
    ScopedKey opened;
    if (const LONG rc = Open(root, view, key, KEY_SET_VALUE, opened); rc != ERROR_SUCCESS)
      return static_cast<std::uint32_t>(rc);
    return static_cast<std::uint32_t>(RegDeleteValueW(opened.get(), Widen(name).c_str()));
  }

  bool FileExists(const std::string& path) override {
    const DWORD attributes = GetFileAttributesW(Expanded(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  PathFacts Facts(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return {};
    return {true, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
            (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0,
            (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
  }

  std::optional<Bits> ProgramBits(const std::string& path) override {
    const ScopedFile file(CreateFileW(Expanded(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::nullopt;
    // The DOS header's "MZ" and, at 0x3C, where the PE header starts: "PE\0\0" and the machine.
    unsigned char dos[64];
    if (!ReadAt(file, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
    const DWORD pe_offset =
        dos[0x3C] | (dos[0x3D] << 8) | (dos[0x3E] << 16) | (static_cast<DWORD>(dos[0x3F]) << 24);
    unsigned char pe[6];
    if (!ReadAt(file, pe_offset, pe, sizeof pe) || pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 ||
        pe[3] != 0)
      return std::nullopt;
    switch (pe[4] | (pe[5] << 8)) {
      case IMAGE_FILE_MACHINE_I386:
        return Bits::k32;
      case IMAGE_FILE_MACHINE_AMD64:
      case 0xAA64:  // ARM64
        return Bits::k64;
      default:
        return std::nullopt;
    }
  }

  LibraryProbe ProbeJobApi(const std::string& path,
                           const std::vector<std::string>& functions) override {
    LibraryProbe probe;
    // As the add-in loads it: its own folder searched first for what it imports.
    const ScopedLibrary library(
        LoadLibraryExW(Expanded(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library) {
      probe.error = GetLastError();
      return probe;
    }
    probe.loaded = true;
    for (const std::string& function : functions) {
      if (!GetProcAddress(library.get(), function.c_str())) probe.missing.push_back(function);
    }
    // The printer's name as the add-in asks for it: a buffer holding the product's name, which
    // the library may leave as it is.
    using GetFirstPrinter = std::int32_t(__stdcall*)(char*, std::int32_t);
    const FARPROC proc = GetProcAddress(library.get(), "OrvanPdfVtAPIGetFirstPrinterA");
    if (proc) {
      const auto get_first_printer =
          reinterpret_cast<GetFirstPrinter>(reinterpret_cast<void*>(proc));
      std::string buffer = std::string(kPrinterProductName) + '\0' + std::string(1014, ' ');
      buffer.push_back('\0');
      if (get_first_printer(buffer.data(), 1024) != 0) {
        probe.printer = AnsiToUtf8(std::string_view(buffer.c_str()));
        TryJob(library.get(), buffer.c_str(), probe);
      }
    }
    return probe;
  }

  // The add-in's start-up check of the printer: a job on it, its settings initialised, freed.
  static void TryJob(HMODULE library, const char* printer, LibraryProbe& probe) {
    const auto function = [library](const char* name) {
      return reinterpret_cast<void*>(GetProcAddress(library, name));
    };
    const auto create = reinterpret_cast<std::int32_t(__stdcall*)(std::int32_t*, std::int32_t)>(
        function("OrvanPdfVtJobCreate"));
    const auto set =
        reinterpret_cast<std::int32_t(__stdcall*)(std::int32_t, const char*, const char*)>(
            function("OrvanPdfVtJobSetPropertyA"));
    const auto init =
        reinterpret_cast<std::int32_t(__stdcall*)(std::int32_t, std::int32_t, std::int32_t*)>(
            function("OrvanPdfVtJobInitDevModeProperty"));
    const auto error = reinterpret_cast<std::int32_t(__stdcall*)(std::int32_t, std::int32_t*)>(
        function("OrvanPdfVtJobGetError"));
    const auto free =
        reinterpret_cast<std::int32_t(__stdcall*)(std::int32_t*)>(function("OrvanPdfVtJobFree"));
    if (!create || !set || !init || !error || !free) return;
    const auto get =
        reinterpret_cast<std::int32_t(__stdcall*)(std::int32_t, const char*, char*, std::int32_t)>(
            function("OrvanPdfVtJobGetPropertyA"));
    std::int32_t job = -1;
    probe.job.create = create(&job, -1);
    std::string language(10, ' ');
    language.push_back('\0');
    if (probe.job.create == 1 && get) get(job, "LanguageID", language.data(), 10);
    probe.language = AnsiToUtf8(std::string_view(language.c_str()));
    if (probe.job.create == 1) {
      probe.job.printer_name = set(job, "PrinterName", printer);
      std::int32_t found = 0;
      if (probe.job.printer_name == 1) probe.job.init = init(job, 1, &found);
      if (probe.job.printer_name == 1 && probe.job.init != 1) error(job, &probe.job.error);
    }
    if (job >= 0) free(&job);
  }

  std::vector<std::string> Printers() override {
    std::vector<std::string> names;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
    if (needed == 0) return names;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) return names;
    const auto* printers = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
      if (printers[i].pPrinterName) names.push_back(Narrow(printers[i].pPrinterName));
    }
    return names;
  }

  std::optional<std::string> Environment(const std::string& name) override {
    const std::wstring wide = Widen(name);
    const DWORD size = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(wide.c_str(), value.data(), size);
    value.resize(length < size ? length : 0);
    return Narrow(value);
  }

 private:
  static LONG Open(Root root, View view, const std::string& key, REGSAM access, ScopedKey& out) {
    return RegOpenKeyExW(RootKey(root), Widen(key).c_str(), 0, access | ViewFlag(view),
                         out.Receive());
  }

  static bool ReadAt(const ScopedFile& file, DWORD offset, void* data, DWORD size) {
    DWORD read = 0;
    return SetFilePointer(file.get(), static_cast<LONG>(offset), nullptr, FILE_BEGIN) == offset &&
           ReadFile(file.get(), data, size, &read, nullptr) && read == size;
  }
};

// To a console as UTF-16; to a file or pipe as UTF-8 with Windows line ends.
void Write(DWORD which, const std::string& text) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = Widen(text);
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::string bytes;
  for (const char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace
}  // namespace orvan::doctor

int wmain(int argc, wchar_t** argv) {
  using namespace orvan::doctor;
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i)
    arguments.push_back(orvan::win32::Narrow(argv[i]));
  WindowsSystem system;
  std::string out, err;
  const int code = Run(system, arguments, out, err);
  Write(STD_OUTPUT_HANDLE, out);
  Write(STD_ERROR_HANDLE, err);
  return code;
}
