#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "doubles/fake_platform.h"
#include "support/trace.h"

namespace orvan::testing {
namespace {

namespace fs = std::filesystem;

class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orvan-trace-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    file_ = (dir_ / "trace.log").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Contents() const {
    std::ifstream in(file_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void At(int h, int m, int s, int ms) { fakes_.clock.Set({2026, 12, 4, h, m, s, ms}); }

  FakePlatform fakes_;
  fs::path dir_;
  std::string file_;
};

TEST_F(TraceTest, AppendsOneStampedCrLfLinePerCallInCallOrder) {
  { std::ofstream(file_, std::ios::binary) << "earlier line\r\n"; }
  fakes_.environment.Set(kTraceVariable, file_);
  WriteTrace("CreateAddInCommandBarButton start");
  At(23, 5, 13, 0);
  WriteTrace("");
  WriteTrace("für");  // in the ANSI code page
  EXPECT_EQ(Contents(),
            "earlier line\r\n"
            "04.12.2026 23:05:12,25: CreateAddInCommandBarButton start\r\n"
            "04.12.2026 23:05:13: \r\n"
            "04.12.2026 23:05:13: f\xFCr\r\n");
}

TEST_F(TraceTest, FractionFollowsTheSinglePrecisionTimer) {
  // Late in the day the timer keeps 7 fractional bits: .37 becomes .3671875.
  At(23, 5, 12, 370);
  EXPECT_EQ(TraceTimeStamp(fakes_.clock), "04.12.2026 23:05:12,3671875");
  // Shortly after midnight the same milliseconds print as .37.
  At(0, 0, 1, 370);
  EXPECT_EQ(TraceTimeStamp(fakes_.clock), "04.12.2026 00:00:01,37");
  At(0, 0, 0, 0);
  EXPECT_EQ(TraceTimeStamp(fakes_.clock), "04.12.2026 00:00:00");
  // Other regional settings: their own date, time and decimal separator.
  fakes_.clock.UseUsSettings();
  At(23, 5, 12, 500);
  EXPECT_EQ(TraceTimeStamp(fakes_.clock), "12/4/2026 11:05:12 PM.5");
}

TEST_F(TraceTest, NothingIsWrittenWithoutAUsablePathAndTheNextUsableOneWritesAgain) {
  WriteTrace("lost");  // the variable is not set
  for (const fs::path& path : {fs::path(), dir_ / "missing" / "trace.log", dir_}) {
    fakes_.environment.Set(kTraceVariable, path.string());
    WriteTrace("lost");
  }
  EXPECT_TRUE(fs::is_empty(dir_));
  fakes_.environment.Set(kTraceVariable, file_);
  WriteTrace("back");
  EXPECT_EQ(Contents(), "04.12.2026 23:05:12,25: back\r\n");
}

}  // namespace
}  // namespace orvan::testing
