#include "platform/win32/platform_win32.h"

#include "platform/win32/wide_text_win32.h"

#include <vector>

#include "support/ansi_text.h"

namespace orvan::win32 {
namespace {

SYSTEMTIME ToSystemTime(const LocalTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  st.wMilliseconds = static_cast<WORD>(t.millisecond);
  return st;
}

// A file handle closed when it goes out of scope.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE h) : h_(h) {}
  ~ScopedHandle() {
    if (valid()) CloseHandle(h_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// Any address inside this module's image tells the loader which module holds this code.
const char kOwnModuleMarker = 0;

}  // namespace

HMODULE OwnModule() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          &kOwnModuleMarker, &module)) {
    return nullptr;
  }
  return module;
}

std::string Win32Environment::Get(const std::string& name) const {
  const std::string ansi_name = Utf8ToAnsi(name);
  const DWORD needed = GetEnvironmentVariableA(ansi_name.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::string value(needed, '\0');
  const DWORD got = GetEnvironmentVariableA(ansi_name.c_str(), value.data(), needed);
  if (got == 0 || got >= needed) return {};
  value.resize(got);
  return AnsiToUtf8(value);
}

LocalTime Win32Clock::Now() const {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return LocalTime{st.wYear,   st.wMonth,  st.wDay,         st.wHour,
                   st.wMinute, st.wSecond, st.wMilliseconds};
}

std::string Win32Clock::ShortDate(const LocalTime& t) const {
  const SYSTEMTIME st = ToSystemTime(t);
  char buffer[128] = {};
  if (GetDateFormatA(locale_, DATE_SHORTDATE, &st, nullptr, buffer, sizeof buffer) == 0) return {};
  return AnsiToUtf8(buffer);
}

std::string Win32Clock::TimeOfDay(const LocalTime& t) const {
  const SYSTEMTIME st = ToSystemTime(t);
  char buffer[128] = {};
  if (GetTimeFormatA(locale_, 0, &st, nullptr, buffer, sizeof buffer) == 0) return {};
  return AnsiToUtf8(buffer);
}

std::string Win32Clock::DecimalSeparator() const {
  char buffer[8] = {};
  if (GetLocaleInfoA(locale_, LOCALE_SDECIMAL, buffer, sizeof buffer) == 0) return ".";
  return AnsiToUtf8(buffer);
}

std::int64_t Win32Clock::Ticks() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

std::int64_t Win32Clock::TicksPerSecond() const {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

bool Win32TextFiles::Append(const std::string& path, std::string_view bytes) {
  const std::string ansi_path = Utf8ToAnsi(path);
  ScopedHandle file(CreateFileA(ansi_path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

void Win32MessagePump::ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The host's own loop ends on it: put it back and stop here.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

ModuleApi::Handle Win32ModuleApi::ModuleHandle(const std::string& name) {
  return reinterpret_cast<Handle>(GetModuleHandleA(Utf8ToAnsi(name).c_str()));
}

std::uint32_t Win32ModuleApi::ModuleFileName(Handle module, char* buffer, std::uint32_t size) {
  return GetModuleFileNameA(reinterpret_cast<HMODULE>(module), buffer, size);
}

int Win32UserInterface::ShowMessage(const std::string& text, const std::string& title,
                                    unsigned style, std::uintptr_t main_window) {
  // Modal to the host, as Basic's boxes are: owned by the thread's active window, else by the
  // host's main window; with neither, every window of the thread is disabled meanwhile.
  HWND owner = GetActiveWindow();
  if (owner == nullptr && main_window != 0) {
    // Only a window of this process: another one's would tie the two processes' input.
    const auto window = reinterpret_cast<HWND>(main_window);
    DWORD process = 0;
    if (IsWindow(window) && GetWindowThreadProcessId(window, &process) != 0 &&
        process == GetCurrentProcessId()) {
      owner = window;
    }
  }
  if (owner == nullptr) style |= MB_TASKMODAL;
  const std::wstring wide_title = Widen(title);
  return MessageBoxW(owner, Widen(text).c_str(), wide_title.empty() ? nullptr : wide_title.c_str(),
                     style);
}

std::uintptr_t Win32UserInterface::FindWindowByClass(const std::string& class_name) {
  return reinterpret_cast<std::uintptr_t>(FindWindowA(Utf8ToAnsi(class_name).c_str(), nullptr));
}

bool Win32ResourceStrings::Load(std::int32_t id, std::string* text) {
  const HMODULE module = OwnModule();
  if (module == nullptr) return false;
  const wchar_t* resource = nullptr;
  // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
  const int length =
      LoadStringW(module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&resource), 0);
  if (length <= 0 || resource == nullptr) return false;
  *text = Narrow(std::wstring_view(resource, static_cast<std::size_t>(length)));
  return true;
}

const Platform& Win32Platform() {
  static Win32Environment environment;
  static Win32Clock clock;
  static Win32TextFiles files;
  static Win32Registry registry;
  static Win32ModuleApi modules;
  static Win32MessagePump pump;
  static Win32UserInterface ui;
  static Win32NativeCode native_code;
  static Win32ResourceStrings strings;
  static Win32Spooler spooler;
  static Win32Graphics graphics;
  static Win32Clipboard clipboard;
  static const Platform platform{&environment, &clock,   &files,   &registry, &modules,  &pump, &ui,
                                 &native_code, &strings, &spooler, &graphics, &clipboard};
  return platform;
}

}  // namespace orvan::win32

namespace orvan {
const Platform& DefaultPlatform() {
  return win32::Win32Platform();
}
}  // namespace orvan
