// The Win32 implementations of the core's platform services.
#pragma once

#include <string>
#include <utility>

#include "platform/win32/com_win32.h"
#include "platform/win32/win32.h"
#include "support/platform.h"
#include "support/registry_api.h"

namespace orvan::win32 {

// The module that holds this code (the add-in DLL, or a program the core is linked into),
// found by an address inside its image rather than by its file name, so that a renamed DLL still
// finds its own resources; its reference count is left alone. Null when the loader cannot say.
HMODULE OwnModule();

class Win32Environment final : public Environment {
 public:
  std::string Get(const std::string& name) const override;
};

// The system clock, with date and time texts in the regional settings of a locale (the user's
// by default).
class Win32Clock : public Clock {
 public:
  explicit Win32Clock(LCID locale = LOCALE_USER_DEFAULT) : locale_(locale) {}
  LocalTime Now() const override;
  std::string ShortDate(const LocalTime& t) const override;
  std::string TimeOfDay(const LocalTime& t) const override;
  std::string DecimalSeparator() const override;
  std::int64_t Ticks() const override;
  std::int64_t TicksPerSecond() const override;

 private:
  LCID locale_;
};

class Win32TextFiles final : public TextFiles {
 public:
  bool Append(const std::string& path, std::string_view bytes) override;
};

class Win32MessagePump final : public MessagePump {
 public:
  void ProcessPendingMessages() override;
};

class Win32ModuleApi final : public ModuleApi {
 public:
  Handle ModuleHandle(const std::string& name) override;
  std::uint32_t ModuleFileName(Handle module, char* buffer, std::uint32_t size) override;
};

class Win32UserInterface final : public UserInterface {
 public:
  int ShowMessage(const std::string& text, const std::string& title, unsigned style,
                  std::uintptr_t main_window) override;
  std::uintptr_t FindWindowByClass(const std::string& class_name) override;
};

class Win32NativeCode final : public NativeCode {
 public:
  Module Load(const std::string& name) override;
  void Free(Module module) override;
  std::uintptr_t Resolve(Module module, const std::string& function) override;
  std::int32_t RunCode(std::size_t size, const CodeWriter& write) override;
};

// The string table of the module that holds this code (the add-in DLL, whatever its file name;
// a test program that links the core carries its own copy of the table).
class Win32ResourceStrings final : public ResourceStrings {
 public:
  bool Load(std::int32_t id, std::string* text) override;
};

class Win32Spooler final : public Spooler {
 public:
  Handle Open(const std::string& ansi_name) override;
  bool GetPrinter2(Handle printer, std::uint8_t* buffer, std::uint32_t size,
                   std::uint32_t* needed) override;
  Level2 Record(const std::uint8_t* buffer) override;
  void Close(Handle printer) override;
  std::uint32_t LastError() override;
  std::uint32_t SystemMessage(std::uint32_t code, char* buffer, std::uint32_t size) override;
};

// A picture over OLE's IPicture.
class Win32Picture final : public Picture {
 public:
  explicit Win32Picture(ComPtr<IPicture> picture) : picture_(std::move(picture)) {}
  IPicture* get() const { return picture_.get(); }

 private:
  ComPtr<IPicture> picture_;
};

// A bitmap picture made by OleCreatePictureIndirect; nullptr when OLE delivers none. With own,
// OLE deletes the bitmap at the picture's last release.
PictureRef BitmapPicture(HBITMAP bitmap, HPALETTE palette, bool own);

class Win32Graphics final : public Graphics {
 public:
  std::uint32_t SysColor(int index) override;
  Bitmap CreateMappedBitmap(std::int32_t resource_id, unsigned flags,
                            std::span<const ColorMap> map) override;
  PictureRef CreatePictureFromBitmap(Bitmap bitmap, Palette palette, bool own) override;
};

// The system clipboard. Each operation opens it with a hidden window of its own and closes it
// again before returning.
class Win32Clipboard final : public Clipboard {
 public:
  bool Clear() override;
  PictureRef GetPicture() override;
  std::string GetText() override;
  bool SetPicture(const Picture& picture) override;
  bool SetText(const std::string& text) override;
  void BeginBatch() override;
  void EndBatch() override;

 private:
  // The running batch's opener, made at its first change and destroyed at its end, and the thread
  // whose batch it is (the host's user-interface thread); other threads open with windows of
  // their own. Null outside a batch of this thread.
  HWND BatchWindow();
  HWND batch_window_ = nullptr;
  DWORD batch_thread_ = 0;
  int batch_depth_ = 0;
};

class Win32Registry final : public RegistryApi {
 public:
  long OpenKey(RegKey parent, const std::string& sub_key, std::uint32_t access,
               RegKey* result) override;
  long CreateKey(RegKey parent, const std::string& sub_key, std::uint32_t options,
                 std::uint32_t access, RegKey* result) override;
  long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long SetValue(RegKey key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long EnumKey(RegKey key, std::uint32_t index, std::uint32_t name_capacity, std::string* name,
               std::uint32_t class_capacity) override;
  long DeleteKey(RegKey key, const std::string& sub_key) override;
  long CloseKey(RegKey key) override;
};

// The services of the running Windows system, as the add-in uses them by default.
const Platform& Win32Platform();

}  // namespace orvan::win32
