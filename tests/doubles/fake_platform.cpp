#include "doubles/fake_platform.h"

#include <cstdio>
#include <cstring>

#include "support/utf8.h"

namespace orvan::testing {
namespace {

std::string TwoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

std::string FakeEnvironment::Get(const std::string& name) const {
  const auto it = vars_.find(name);
  return it == vars_.end() ? std::string() : it->second;
}

std::string FixedClock::ShortDate(const LocalTime& t) const {
  if (us_)
    return std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
  return TwoDigits(t.day) + "." + TwoDigits(t.month) + "." + std::to_string(t.year);
}

std::string FixedClock::TimeOfDay(const LocalTime& t) const {
  if (us_) {
    const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    return std::to_string(h12) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second) +
           (t.hour < 12 ? " AM" : " PM");
  }
  return TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

bool DiskTextFiles::Append(const std::string& path, std::string_view bytes) {
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

ModuleApi::Handle FakeModules::ModuleHandle(const std::string& name) {
  Handle h = 0x10000000;
  for (const auto& [module, path] : loaded) {
    if (module == utf8::UpperCase(name)) return h;
    h += 0x10000;
  }
  return 0;
}

std::uint32_t FakeModules::ModuleFileName(Handle module, char* buffer, std::uint32_t size) {
  if (fail || size == 0) return 0;
  std::string path;
  if (module == 0) {
    path = executable;
  } else {
    Handle h = 0x10000000;
    for (const auto& entry : loaded) {
      if (h == module) path = entry.second;
      h += 0x10000;
    }
    if (path.empty()) return 0;
  }
  if (path.size() + 1 > size) {
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    return size;
  }
  std::memcpy(buffer, path.data(), path.size());
  buffer[path.size()] = '\0';
  return static_cast<std::uint32_t>(path.size());
}

FakePlatform::FakePlatform()
    : platform_{&environment, &clock, &files, &registry, &modules, &pump}, scope_(platform_) {}

}  // namespace orvan::testing
