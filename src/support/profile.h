// Where the add-in's time goes, for the benchmark. When the environment variable
// ORVAN_PDFVTADDINPROFILE names a file, each connection, disconnection and command appends one
// line to it: the whole time, the time of each phase (exclusive of the phases inside it) and the
// time and number of calls by where it went: the add-in's own code, the host's objects, the
// clipboard, the job API library and the print spooler. Unset, a phase or call costs one test of a
// flag.
#pragma once

#include <cstdint>
#include <string>

namespace orvan::profile {

inline constexpr const char* kProfileVariable = "ORVAN_PDFVTADDINPROFILE";

enum class Where { kOwn, kHost, kClipboard, kJobApi, kSpooler };
inline constexpr int kWhereCount = 5;

// One event measured from construction to destruction: "OnConnection", "Start click". An event
// inside a running one counts as part of it.
class Event {
 public:
  explicit Event(const char* name) noexcept;
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

 private:
  bool owner_ = false;
};

// A named stretch of the running event: "toolbar", "faces".
class Phase {
 public:
  explicit Phase(const char* name) noexcept;
  ~Phase();
  Phase(const Phase&) = delete;
  Phase& operator=(const Phase&) = delete;

 private:
  int previous_ = -1;
};

// A call out of the add-in's own code: to the host, the clipboard or the job API library.
class Spend {
 public:
  explicit Spend(Where where) noexcept;
  ~Spend();
  Spend(const Spend&) = delete;
  Spend& operator=(const Spend&) = delete;

 private:
  int previous_ = -1;
};

// The line an event's measurements make (exposed for tests): "NAME TOTAL ms | phases NAME MS ...
// | own MS host MS/CALLS clipboard MS/CALLS jobapi MS/CALLS spooler MS/CALLS", milliseconds with
// three decimals.
struct Measured {
  std::string event;
  double total_ms = 0;
  struct Part {
    std::string name;
    double ms = 0;
  };
  Part phases[12];
  int phase_count = 0;
  double where_ms[kWhereCount] = {};
  std::int64_t where_calls[kWhereCount] = {};
};
std::string FormatLine(const Measured& measured);

}  // namespace orvan::profile
