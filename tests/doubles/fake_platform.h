// In-memory doubles of the platform services, and a Platform that bundles them.
#pragma once

#include <map>
#include <string>

#include "doubles/memory_registry.h"
#include "support/platform.h"

namespace orvan::testing {

class FakeEnvironment final : public Environment {
 public:
  std::string Get(const std::string& name) const override;
  void Set(const std::string& name, const std::string& value) { vars_[name] = value; }
  void Unset(const std::string& name) { vars_.erase(name); }

 private:
  std::map<std::string, std::string> vars_;
};

// A clock pinned to a moment, formatting as German regional settings do by default
// ("04.12.2026", "23:05:12", ",").
class FixedClock final : public Clock {
 public:
  LocalTime Now() const override { return now_; }
  std::string ShortDate(const LocalTime& t) const override;
  std::string TimeOfDay(const LocalTime& t) const override;
  std::string DecimalSeparator() const override { return decimal_; }

  void Set(const LocalTime& t) { now_ = t; }
  // English (United States) settings: "12/4/2026", "11:05:12 PM", ".".
  void UseUsSettings() { us_ = true, decimal_ = "."; }

 private:
  LocalTime now_{2026, 12, 4, 23, 5, 12, 250};
  bool us_ = false;
  std::string decimal_ = ",";
};

// Appends to real files of the test machine, failing where the system refuses.
class DiskTextFiles final : public TextFiles {
 public:
  bool Append(const std::string& path, std::string_view bytes) override;
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

// One of each double, in place for this thread while the object lives.
class FakePlatform {
 public:
  FakePlatform();
  FakeEnvironment environment;
  FixedClock clock;
  DiskTextFiles files;
  MemoryRegistry registry;
  FakeModules modules;
  CountingPump pump;
  const Platform& platform() const { return platform_; }

 private:
  Platform platform_;
  ScopedPlatform scope_;
};

}  // namespace orvan::testing
