#include "support/profile.h"

#include <cstdio>
#include <cstring>

#include "support/platform.h"

namespace orvan::profile {
namespace {

constexpr int kMaxPhases = 12;

std::int64_t Now() {
  return CurrentPlatform().clock->Ticks();
}

// The add-in runs in its host's user-interface thread; one event is measured at a time.
struct Recorder {
  bool on = false;
  const char* event = nullptr;
  std::int64_t started = 0;
  std::int64_t last = 0;
  std::int64_t per_second = 0;
  const char* phase_names[kMaxPhases] = {};
  std::int64_t phase_time[kMaxPhases] = {};
  int phase_count = 0;
  int phase = 0;  // 0: the event's own stretch outside named phases
  int where = 0;
  std::int64_t where_time[kWhereCount] = {};
  std::int64_t where_calls[kWhereCount] = {};

  // The time since the last switch goes to the phase and the place running until now.
  void Switch() {
    const std::int64_t now = Now();
    phase_time[phase] += now - last;
    where_time[where] += now - last;
    last = now;
  }
  int PhaseIndex(const char* name) {
    for (int i = 0; i < phase_count; ++i) {
      if (std::strcmp(phase_names[i], name) == 0) return i;
    }
    if (phase_count == kMaxPhases) return kMaxPhases - 1;
    phase_names[phase_count] = name;
    return phase_count++;
  }
};

Recorder recorder;

double Ms(std::int64_t ticks) {
  return recorder.per_second > 0 ? static_cast<double>(ticks) * 1000.0 / recorder.per_second : 0.0;
}

std::string Fixed(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", ms);
  return text;
}

}  // namespace

Event::Event(const char* name) noexcept {
  if (recorder.on) return;
  std::int64_t per_second = 0;
  try {
    const Platform& platform = CurrentPlatform();
    if (platform.environment->Get(kProfileVariable).empty()) return;
    per_second = platform.clock->TicksPerSecond();
  } catch (...) {
    return;
  }
  recorder = Recorder();
  recorder.per_second = per_second;
  recorder.on = true;
  recorder.event = name;
  recorder.phase_names[0] = "rest";
  recorder.phase_count = 1;
  recorder.started = recorder.last = Now();
  owner_ = true;
}

Event::~Event() {
  if (!owner_) return;
  recorder.Switch();
  recorder.on = false;
  try {
    Measured measured;
    measured.event = recorder.event;
    measured.total_ms = Ms(recorder.last - recorder.started);
    for (int i = 0; i < recorder.phase_count; ++i)
      measured.phases[i] = {recorder.phase_names[i], Ms(recorder.phase_time[i])};
    measured.phase_count = recorder.phase_count;
    for (int i = 0; i < kWhereCount; ++i) {
      measured.where_ms[i] = Ms(recorder.where_time[i]);
      measured.where_calls[i] = recorder.where_calls[i];
    }
    const Platform& platform = CurrentPlatform();
    platform.files->Append(platform.environment->Get(kProfileVariable),
                           FormatLine(measured) + "\r\n");
  } catch (...) {
    // Measuring never disturbs the add-in.
  }
}

Phase::Phase(const char* name) noexcept {
  if (!recorder.on) return;
  recorder.Switch();
  previous_ = recorder.phase;
  recorder.phase = recorder.PhaseIndex(name);
}

Phase::~Phase() {
  if (previous_ < 0 || !recorder.on) return;
  recorder.Switch();
  recorder.phase = previous_;
}

Spend::Spend(Where where) noexcept {
  if (!recorder.on) return;
  recorder.Switch();
  previous_ = recorder.where;
  recorder.where = static_cast<int>(where);
  // A call inside a call of the same kind (a host call made while the host calls back) is one.
  if (previous_ != recorder.where) ++recorder.where_calls[recorder.where];
}

Spend::~Spend() {
  if (previous_ < 0 || !recorder.on) return;
  recorder.Switch();
  recorder.where = previous_;
}

std::string FormatLine(const Measured& measured) {
  static const char* const kWhere[kWhereCount] = {"own", "host", "clipboard", "jobapi", "spooler"};
  std::string line = measured.event + " " + Fixed(measured.total_ms) + " ms | phases";
  for (int i = 0; i < measured.phase_count; ++i)
    line += " " + measured.phases[i].name + " " + Fixed(measured.phases[i].ms);
  line += " |";
  for (int i = 0; i < kWhereCount; ++i) {
    line += std::string(" ") + kWhere[i] + " " + Fixed(measured.where_ms[i]);
    if (i > 0) line += "/" + std::to_string(measured.where_calls[i]);
  }
  return line;
}

}  // namespace orvan::profile
