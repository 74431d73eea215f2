// The operating-system services the portable core uses. Windows builds implement them over the
// Win32 API; tests put in-memory doubles behind them.
#pragma once

#include <cstdint>
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

class RegistryApi;

// All services of one platform.
struct Platform {
  Environment* environment = nullptr;
  Clock* clock = nullptr;
  TextFiles* files = nullptr;
  RegistryApi* registry = nullptr;
  ModuleApi* modules = nullptr;
  MessagePump* pump = nullptr;
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
