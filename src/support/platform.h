// The operating-system services the portable core uses. Windows builds implement them over the
// Win32 API; tests put in-memory doubles behind them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace orvan {

class Environment {
 public:
  virtual ~Environment() = default;
  // The value of a process environment variable; empty when it is unset.
  virtual std::string Get(const std::string& name) const = 0;
};

// A moment of local time as the system clock reports it.
struct LocalTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
  // Date and time texts in the user's regional settings.
  virtual std::string ShortDate(const LocalTime& t) const = 0;
  virtual std::string TimeOfDay(const LocalTime& t) const = 0;
  virtual std::string DecimalSeparator() const = 0;
  // A steady counter for measuring durations, and its ticks per second (0: none).
  virtual std::int64_t Ticks() const { return 0; }
  virtual std::int64_t TicksPerSecond() const { return 0; }
};

class TextFiles {
 public:
  virtual ~TextFiles() = default;
  // Appends bytes to the file, creating it when missing. False when it cannot be written.
  virtual bool Append(const std::string& path, std::string_view bytes) = 0;
};

// The thread's window-message processing (Basic's DoEvents).
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  virtual void ProcessPendingMessages() = 0;
};

// Module lookups of the loader, in the shape of the ANSI functions.
class ModuleApi {
 public:
  using Handle = std::uintptr_t;
  virtual ~ModuleApi() = default;
  // 0 when no module of that name is loaded in the process.
  virtual Handle ModuleHandle(const std::string& name) = 0;
  // Writes the module's file name (ANSI) into buffer as GetModuleFileNameA does: at most size
  // characters including the terminating zero; returns the characters written, 0 on failure.
  // Module 0 is the process's executable.
  virtual std::uint32_t ModuleFileName(Handle module, char* buffer, std::uint32_t size) = 0;
};

// The add-in's user interface: OK message boxes with an icon style (16, 48 or 64), and the
// host's top-level windows.
class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // Shows a box modal to the host (owned by the thread's active window, else by the host's
  // main window when not 0) and returns the button's command id. An empty title gives the
  // system's.
  virtual int ShowMessage(const std::string& text, const std::string& title, unsigned style,
                          std::uintptr_t main_window) = 0;
  // FindWindowA by class name alone (any letter case): the first top-level window of that
  // class, 0 when there is none.
  virtual std::uintptr_t FindWindowByClass(const std::string& class_name) = 0;
};

// Libraries loaded at run time and generated code run through CallWindowProcA.
class NativeCode {
 public:
  using Module = std::uintptr_t;
  // Fills the code pages (bytes, at the address they will run from) and returns the address
  // at which the code starts.
  using CodeWriter =
      std::function<std::uintptr_t(std::span<std::uint8_t> bytes, std::uintptr_t address)>;
  virtual ~NativeCode() = default;
  virtual Module Load(const std::string& name) = 0;  // 0 when it cannot be loaded
  virtual void Free(Module module) = 0;
  virtual std::uintptr_t Resolve(Module module, const std::string& function) = 0;  // 0: none
  // Writes size bytes of code into fresh writable pages, makes them executable (never writable
  // and executable at once), runs them as a window procedure with all four arguments 0 and
  // releases them. Returns the low 32 bits of the result.
  virtual std::int32_t RunCode(std::size_t size, const CodeWriter& write) = 0;
};

// The add-in module's own string table.
class ResourceStrings {
 public:
  virtual ~ResourceStrings() = default;
  // False when the table holds no string with that number.
  virtual bool Load(std::int32_t id, std::string* text) = 0;
};

// The print spooler's printer records and the system's error texts.
class Spooler {
 public:
  using Handle = std::uintptr_t;
  // The fields of a printer's level-2 record that the add-in reads; strings are NUL-terminated
  // ANSI bytes inside the buffer the record was read into (null when absent).
  struct Level2 {
    const char* server_name = nullptr;
    const char* share_name = nullptr;
    const char* port_name = nullptr;
    const char* driver_name = nullptr;
    const char* comment = nullptr;
    const char* location = nullptr;
    const char* separator_file = nullptr;
    const char* print_processor = nullptr;
    const char* datatype = nullptr;
    const char* parameters = nullptr;
    std::int32_t status = 0;
    std::int32_t jobs = 0;
  };
  virtual ~Spooler() = default;
  // OpenPrinterA without defaults; 0 when the printer cannot be opened.
  virtual Handle Open(const std::string& ansi_name) = 0;
  // GetPrinterA level 2 into buffer (null with size 0 asks for the size needed).
  virtual bool GetPrinter2(Handle printer, std::uint8_t* buffer, std::uint32_t size,
                           std::uint32_t* needed) = 0;
  // The record in a buffer that GetPrinter2 filled, read through the platform's own layout.
  virtual Level2 Record(const std::uint8_t* buffer) = 0;
  virtual void Close(Handle printer) = 0;
  // The thread's last error code after the calls above.
  virtual std::uint32_t LastError() = 0;
  // FormatMessageA from the system for code, language 0, into buffer; the length written.
  virtual std::uint32_t SystemMessage(std::uint32_t code, char* buffer, std::uint32_t size) = 0;
};

// A picture object (OLE's IPicture on Windows). The last reference released releases it and,
// when it owns its bitmap, deletes the bitmap.
class Picture {
 public:
  virtual ~Picture() = default;
};
using PictureRef = std::shared_ptr<Picture>;

// Bitmaps and pictures for the add-in's button faces.
class Graphics {
 public:
  using Bitmap = std::uintptr_t;
  using Palette = std::uintptr_t;
  // One entry of a colour map (the layout of COLORMAP): a colour and its replacement, as
  // 0x00BBGGRR values.
  struct ColorMap {
    std::uint32_t from = 0;
    std::uint32_t to = 0;
  };
  virtual ~Graphics() = default;
  // GetSysColor.
  virtual std::uint32_t SysColor(int index) = 0;
  // CreateMappedBitmap on a bitmap resource of the add-in's own module; 0 on failure.
  virtual Bitmap CreateMappedBitmap(std::int32_t resource_id, unsigned flags,
                                    std::span<const ColorMap> map) = 0;
  // OleCreatePictureIndirect for a bitmap picture; nullptr when none was delivered. With own
  // the picture deletes the bitmap when its last reference goes.
  virtual PictureRef CreatePictureFromBitmap(Bitmap bitmap, Palette palette, bool own) = 0;
};

// The system clipboard, its picture and its plain text. Every operation opens and closes the
// clipboard; false when it cannot be opened or the data cannot be read or put.
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual bool Clear() = 0;
  // A picture of the clipboard's bitmap that the caller owns; nullptr when there is none.
  virtual PictureRef GetPicture() = 0;
  // The plain text; empty when there is none.
  virtual std::string GetText() = 0;
  // Adds a copy of the picture's bitmap (the clipboard owns what it is given) to what the
  // clipboard holds.
  virtual bool SetPicture(const Picture& picture) = 0;
  // Adds the text to what the clipboard holds.
  virtual bool SetText(const std::string& text) = 0;
  // Between BeginBatch and EndBatch the operations share what opening the clipboard takes (on
  // Windows the window that opens it), each still opening and closing the clipboard itself, so
  // that others read it in between as before. Nested batches count as one.
  virtual void BeginBatch() {}
  virtual void EndBatch() {}
};

// A batch of clipboard operations for as long as it lives.
class ClipboardBatch {
 public:
  explicit ClipboardBatch(Clipboard& clipboard) : clipboard_(clipboard) { clipboard_.BeginBatch(); }
  ~ClipboardBatch() { clipboard_.EndBatch(); }
  ClipboardBatch(const ClipboardBatch&) = delete;
  ClipboardBatch& operator=(const ClipboardBatch&) = delete;

 private:
  Clipboard& clipboard_;
};

class RegistryApi;

// All services of one platform.
struct Platform {
  Environment* environment = nullptr;
  Clock* clock = nullptr;
  TextFiles* files = nullptr;
  RegistryApi* registry = nullptr;
  ModuleApi* modules = nullptr;
  MessagePump* pump = nullptr;
  UserInterface* ui = nullptr;
  NativeCode* native_code = nullptr;
  ResourceStrings* strings = nullptr;
  Spooler* spooler = nullptr;
  Graphics* graphics = nullptr;
  Clipboard* clipboard = nullptr;
};

// The services of this thread: those of a ScopedPlatform when one is active, else the build's
// default platform (the Win32 one on Windows).
const Platform& CurrentPlatform();

// The build's default platform. Windows builds define it over the Win32 API; the core's native
// builds are only linked into tests, which define it over their doubles.
const Platform& DefaultPlatform();

// Puts other services in place for this thread while it lives.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(const Platform& platform);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  const Platform* previous_;
};

}  // namespace orvan
