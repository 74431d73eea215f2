// In-memory doubles of the platform services, and a Platform that bundles them.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "doubles/memory_registry.h"
#include "sim/office/fake_spooler.h"
#include "support/platform.h"

namespace orvan::testing {

class FakeEnvironment final : public Environment {
 public:
  std::string Get(const std::string& name) const override {
    return vars_.count(name) ? vars_.at(name) : "";
  }
  void Set(const std::string& name, const std::string& value) { vars_[name] = value; }

 private:
  std::map<std::string, std::string> vars_;
};

// A clock pinned to a moment, formatting as German regional settings do by default
// ("04.12.2026", "23:05:12") with the decimal separator given.
class FixedClock final : public Clock {
 public:
  LocalTime Now() const override { return now; }
  std::string ShortDate(const LocalTime& t) const override;
  std::string TimeOfDay(const LocalTime& t) const override;
  std::string DecimalSeparator() const override { return decimal; }

  LocalTime now{2026, 12, 4, 23, 5, 12, 250};
  std::string decimal = ",";
};

// Text files in memory: their contents by path.
class MemoryTextFiles final : public TextFiles {
 public:
  bool Append(const std::string& path, std::string_view bytes) override {
    kept[path] += bytes;
    return true;
  }
  std::map<std::string, std::string> kept;
};

class CountingPump final : public MessagePump {
 public:
  void ProcessPendingMessages() override { ++turns; }
  int turns = 0;
};

// Loaded modules by name and the process's executable path, answered as GetModuleFileNameA on
// current Windows does: a name that does not fit is cut to size - 1 characters plus the zero.
class FakeModules final : public ModuleApi {
 public:
  Handle ModuleHandle(const std::string& name) override;
  std::uint32_t ModuleFileName(Handle module, char* buffer, std::uint32_t size) override;

  std::string executable = "C:\\Program Files\\Microsoft Office\\Office16\\WINWORD.EXE";
  std::map<std::string, std::string> loaded;  // module name (upper case) -> full path
  bool fail = false;
};

struct ShownMessageBox {
  std::string text;
  std::string title;
  unsigned style = 0;
  bool operator==(const ShownMessageBox&) const = default;
};

// Records the boxes shown and answers OK; finds no top-level window.
class RecordingUi final : public UserInterface {
 public:
  int ShowMessage(const std::string& text, const std::string& title, unsigned style,
                  std::uintptr_t) override {
    boxes.push_back({text, title, style});
    // What the host does while the box is up (its modal loop dispatches other calls).
    if (while_shown) std::exchange(while_shown, nullptr)();
    return 1;
  }
  std::uintptr_t FindWindowByClass(const std::string&) override { return 0; }
  std::vector<ShownMessageBox> boxes;
  std::function<void()> while_shown;  // run once, by the next box
};

// Libraries by name with their exported functions; code runs are recorded, not executed.
class FakeNativeCode final : public NativeCode {
 public:
  Module Load(const std::string& name) override;
  void Free(Module module) override;
  std::uintptr_t Resolve(Module module, const std::string& function) override;
  std::int32_t RunCode(std::size_t size, const CodeWriter& write) override;

  std::map<std::string, std::vector<std::string>> libraries;  // name -> exports
  std::vector<std::string> loaded;                            // names loaded and not freed
  int frees = 0;
  struct Run {
    std::vector<std::uint8_t> code;
    std::uintptr_t address = 0;
    std::uintptr_t start = 0;
  };
  std::vector<Run> runs;  // each returns 1

 private:
  std::map<Module, std::string> handles_;
  Module next_ = 0x10000000;
};

// A string table by number.
class FakeStrings final : public ResourceStrings {
 public:
  bool Load(std::int32_t id, std::string* text) override {
    if (table.count(id)) *text = table.at(id);
    return table.count(id);
  }
  std::map<std::int32_t, std::string> table;
};

// A picture of the doubles: the name of what it shows ("icon 101"). An owning picture deletes its
// bitmap from the graphics double when it goes.
class FakePicture final : public Picture {
 public:
  FakePicture(std::string shown, std::function<void()> on_release = {})
      : face(std::move(shown)), on_release_(std::move(on_release)) {}
  ~FakePicture() override {
    if (on_release_) on_release_();
  }
  FakePicture(const FakePicture&) = delete;
  FakePicture& operator=(const FakePicture&) = delete;
  const std::string face;

 private:
  std::function<void()> on_release_;
};

// Bitmap resources 101 to 104 of the add-in module, mapped bitmaps as live handles, pictures as
// FakePicture, and the button face's system colour (Windows' default light grey).
class FakeGraphics final : public Graphics {
 public:
  std::uint32_t SysColor(int index) override { return index == 15 ? 0x00F0F0F0 : 0; }
  Bitmap CreateMappedBitmap(std::int32_t resource_id, unsigned flags,
                            std::span<const ColorMap> map) override;
  PictureRef CreatePictureFromBitmap(Bitmap bitmap, Palette palette, bool own) override;

  std::map<Bitmap, std::int32_t> live;  // bitmaps not deleted: handle -> resource

 private:
  Bitmap next_ = 0x2000;
};

// The clipboard as the faces of the pictures and a text put on it; emptying it fails while
// clear_fails (another program holds it).
class FakeClipboard final : public Clipboard {
 public:
  bool Clear() override;
  PictureRef GetPicture() override {
    return picture ? std::make_shared<FakePicture>(*picture) : nullptr;
  }
  std::string GetText() override { return text.value_or(""); }
  bool SetPicture(const Picture& picture) override;
  bool SetText(const std::string& t) override { return text = t, true; }

  std::optional<std::string> picture;
  std::optional<std::string> text;
  bool clear_fails = false;
};

// One of each double, in place for this thread while the object lives.
class FakePlatform {
 public:
  FakePlatform();
  FakeEnvironment environment;
  FixedClock clock;
  MemoryTextFiles files;
  MemoryRegistry registry;
  FakeModules modules;
  CountingPump pump;
  RecordingUi ui;
  FakeNativeCode native_code;
  FakeStrings strings;
  FakeGraphics graphics;
  FakeClipboard clipboard;
  // The installed printers, journal and prints that fake hosts and the spooler share.
  std::shared_ptr<sim::OfficeWorld> office = std::make_shared<sim::OfficeWorld>();
  sim::FakeSpooler spooler{office};
  const Platform& platform() const { return platform_; }

 private:
  Platform platform_;
  ScopedPlatform scope_;
};

}  // namespace orvan::testing
