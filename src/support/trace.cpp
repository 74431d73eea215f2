#include "support/trace.h"

#include <cmath>

#include "support/ansi_text.h"
#include "support/value.h"

namespace orvan {

std::string TraceTimeStamp(const Clock& clock) {
  const LocalTime now = clock.Now();
  // The seconds-since-midnight timer is single precision, and so is its fraction: late in the
  // day only a few fractional bits remain, which the text then shows.
  const int whole_seconds = now.hour * 3600 + now.minute * 60 + now.second;
  const float timer = static_cast<float>(whole_seconds + now.millisecond / 1000.0);
  const float fraction = timer - std::floor(timer);
  const std::string fraction_text = FormatSingle(fraction, clock.DecimalSeparator());
  return clock.ShortDate(now) + " " + clock.TimeOfDay(now) + fraction_text.substr(1);
}

void WriteTrace(const std::string& text) noexcept {
  try {
    const Platform& platform = CurrentPlatform();
    const std::string path = platform.environment->Get(kTraceVariable);
    if (path.empty()) return;
    const std::string line = TraceTimeStamp(*platform.clock) + ": " + text + "\r\n";
    platform.files->Append(path, Utf8ToAnsi(line));
  } catch (...) {
    // The trace never disturbs its caller.
  }
}

}  // namespace orvan
