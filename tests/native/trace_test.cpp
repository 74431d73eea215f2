#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "support/trace.h"

namespace orvan::testing {
namespace {

class TraceTest : public PlatformTest {
 protected:
  void At(int h, int m, int s, int ms) { fakes_.clock.now = {2026, 12, 4, h, m, s, ms}; }
};

// A line per call, an empty text included, stamped by the single-precision timer.
TEST_F(TraceTest, EveryTextIsTracedAndTheFractionFollowsTheSinglePrecisionTimer) {
  fakes_.environment.Set(kTraceVariable, "trace.log");
  WriteTrace("");
  EXPECT_EQ(fakes_.files.kept["trace.log"], "04.12.2026 23:05:12,25: \r\n");
  // Late in the day the timer keeps 7 fractional bits: .37 becomes .3671875.
  At(23, 5, 12, 370);
  EXPECT_EQ(TraceTimeStamp(fakes_.clock), "04.12.2026 23:05:12,3671875");
  // Shortly after midnight the same milliseconds print as .37.
  At(0, 0, 1, 370);
  EXPECT_EQ(TraceTimeStamp(fakes_.clock), "04.12.2026 00:00:01,37");
  At(0, 0, 0, 0);
  EXPECT_EQ(TraceTimeStamp(fakes_.clock), "04.12.2026 00:00:00");
  // The decimal separator is the regional settings'.
  fakes_.clock.decimal = ".";
  At(23, 5, 12, 500);
  EXPECT_EQ(TraceTimeStamp(fakes_.clock), "04.12.2026 23:05:12.5");
}

}  // namespace
}  // namespace orvan::testing
