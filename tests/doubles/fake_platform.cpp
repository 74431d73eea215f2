#include "doubles/fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "support/utf8.h"

namespace orvan::testing {

std::string FixedClock::ShortDate(const LocalTime& t) const {
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%d", t.day, t.month, t.year);
  return text;
}

std::string FixedClock::TimeOfDay(const LocalTime& t) const {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return text;
}

// A loaded module's handle is the address of its path in `loaded`.
ModuleApi::Handle FakeModules::ModuleHandle(const std::string& name) {
  const auto it = loaded.find(utf8::UpperCase(name));
  return it == loaded.end() ? 0 : reinterpret_cast<Handle>(&it->second);
}

std::uint32_t FakeModules::ModuleFileName(Handle module, char* buffer, std::uint32_t size) {
  if (fail || size == 0) return 0;
  const std::string& path =
      module == 0 ? executable : *reinterpret_cast<const std::string*>(module);
  const std::size_t written = std::min<std::size_t>(path.size(), size - 1);
  std::memcpy(buffer, path.data(), written);
  buffer[written] = '\0';
  return path.size() < size ? static_cast<std::uint32_t>(written) : size;
}

NativeCode::Module FakeNativeCode::Load(const std::string& name) {
  if (libraries.count(name) == 0) return 0;
  const Module handle = next_;
  next_ += 0x10000;
  handles_[handle] = name;
  loaded.push_back(name);
  return handle;
}

void FakeNativeCode::Free(Module module) {
  const auto it = handles_.find(module);
  if (it == handles_.end()) return;
  ++frees;
  loaded.erase(std::find(loaded.begin(), loaded.end(), it->second));
  handles_.erase(it);
}

std::uintptr_t FakeNativeCode::Resolve(Module module, const std::string& function) {
  const auto it = handles_.find(module);
  if (it == handles_.end()) return 0;
  const auto& exports = libraries[it->second];
  const auto f = std::find(exports.begin(), exports.end(), function);
  if (f == exports.end()) return 0;
  return module + 0x1000 + 0x10 * static_cast<std::uintptr_t>(f - exports.begin());
}

std::int32_t FakeNativeCode::RunCode(std::size_t size, const CodeWriter& write) {
  Run run;
  run.code.assign(size, 0);
  run.address = 0x00400000;  // the page the code is written for
  run.start = write(run.code, run.address);
  runs.push_back(std::move(run));
  return 1;
}

Graphics::Bitmap FakeGraphics::CreateMappedBitmap(std::int32_t resource_id, unsigned /*flags*/,
                                                  std::span<const ColorMap> /*map*/) {
  if (resource_id < 101 || resource_id > 104) return 0;
  live[next_] = resource_id;
  return next_++;
}

PictureRef FakeGraphics::CreatePictureFromBitmap(Bitmap bitmap, Palette /*palette*/, bool own) {
  const auto it = live.find(bitmap);
  // A picture of no bitmap is an empty picture, which the clipboard refuses.
  const std::string face = it == live.end() ? "" : "icon " + std::to_string(it->second);
  std::function<void()> release;
  if (own) release = [this, bitmap] { live.erase(bitmap); };
  return std::make_shared<FakePicture>(face, std::move(release));
}

bool FakeClipboard::Clear() {
  if (clear_fails) return false;
  picture.reset();
  text.reset();
  return true;
}

bool FakeClipboard::SetPicture(const Picture& p) {
  const auto* fake = dynamic_cast<const FakePicture*>(&p);
  if (fake == nullptr || fake->face.empty()) return false;
  picture = fake->face;
  return true;
}

FakePlatform::FakePlatform()
    : platform_{&environment, &clock,       &files,   &registry, &modules,  &pump,
                &ui,          &native_code, &strings, &spooler,  &graphics, &clipboard},
      scope_(platform_) {}

}  // namespace orvan::testing
