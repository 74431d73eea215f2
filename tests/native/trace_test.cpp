#include <gtest/gtest.h>

#include <regex>

#include "doubles/office_fixture.h"
#include "support/profile.h"
#include "support/trace.h"

namespace orvan::testing {
namespace {

using TraceTest = PlatformTest;

// A line per call, an empty text included, stamped by the single-precision timer.
TEST_F(TraceTest, EveryTextIsTracedAndTheFractionFollowsTheSinglePrecisionTimer) {
  fakes_.environment.Set(kTraceVariable, "trace.log");
  WriteTrace("");
  EXPECT_EQ(fakes_.files.kept["trace.log"], "04.12.2026 23:05:12,25: \r\n");
  // Late in the day the timer keeps 7 fractional bits: .37 becomes .3671875; shortly after
  // midnight the same milliseconds print as .37. The decimal separator is the regional settings'.
  const std::tuple<LocalTime, const char*, const char*> stamps[] = {
      {{2026, 12, 4, 23, 5, 12, 370}, ",", "04.12.2026 23:05:12,3671875"},
      {{2026, 12, 4, 0, 0, 1, 370}, ",", "04.12.2026 00:00:01,37"},
      {{2026, 12, 4, 0, 0, 0, 0}, ",", "04.12.2026 00:00:00"},
      {{2026, 12, 4, 23, 5, 12, 500}, ".", "04.12.2026 23:05:12.5"},
  };
  for (const auto& [now, decimal, stamp] : stamps) {
    fakes_.clock.now = now;
    fakes_.clock.decimal = decimal;
    EXPECT_EQ(TraceTimeStamp(fakes_.clock), stamp);
  }
}

// The profile: one line an event, nested phases and calls kept apart, nothing without the switch.
TEST_F(TraceTest, ProfileLinesSplitAnEventByPhaseAndCallsOnlyWhenSwitchedOn) {
  auto event = [] {
    const profile::Event outer("OnConnection");
    const profile::Event inner("Start click");  // inside a running event: part of it
    const profile::Phase toolbar("toolbar");
    { const profile::Spend host(profile::Where::kHost); }
    const profile::Phase faces("faces");
    const profile::Spend clipboard(profile::Where::kClipboard);
    const profile::Spend again(profile::Where::kClipboard);  // one call, not two
    const profile::Spend host(profile::Where::kHost);
  };
  event();
  EXPECT_TRUE(fakes_.files.kept.empty());
  fakes_.environment.Set(profile::kProfileVariable, "profile.log");
  event();
  const std::regex line(
      "OnConnection [0-9.]+ ms \\| phases rest [0-9.]+ toolbar [0-9.]+ faces [0-9.]+ \\| own "
      "[0-9.]+ host [0-9.]+/2 clipboard [0-9.]+/1 jobapi 0.000/0 spooler 0.000/0\r\n");
  EXPECT_TRUE(std::regex_match(fakes_.files.kept["profile.log"], line))
      << fakes_.files.kept["profile.log"];
}

}  // namespace
}  // namespace orvan::testing
