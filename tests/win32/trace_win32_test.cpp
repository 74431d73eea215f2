// The trace against the real environment, file system and regional formatting of Windows.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/platform_win32.h"
#include "support/trace.h"

namespace orvan::testing {
namespace {

// The user's regional settings with the clock pinned to one moment.
class PinnedClock final : public win32::Win32Clock {
 public:
  LocalTime Now() const override { return now; }
  LocalTime now{2026, 12, 4, 23, 5, 12, 250};
};

// Sets the user's regional settings to German formats while it lives, then restores them.
class GermanRegionalSettings {
 public:
  GermanRegionalSettings() {
    Set(LOCALE_SSHORTDATE, "dd.MM.yyyy");
    Set(LOCALE_STIMEFORMAT, "HH:mm:ss");
    Set(LOCALE_SDECIMAL, ",");
  }
  ~GermanRegionalSettings() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      SetLocaleInfoA(LOCALE_USER_DEFAULT, it->first, it->second.c_str());
    }
  }

 private:
  void Set(LCTYPE type, const char* value) {
    char old[80] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, type, old, sizeof old);
    saved_.emplace_back(type, old);
    SetLocaleInfoA(LOCALE_USER_DEFAULT, type, value);
  }
  std::vector<std::pair<LCTYPE, std::string>> saved_;
};

class TraceWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "orvan-trace-" + std::to_string(GetCurrentProcessId()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(dir_.c_str(), nullptr);
    file_ = dir_ + "\\trace.log";
    DeleteFileA(file_.c_str());
    platform_ = win32::Win32Platform();
    platform_.clock = &clock_;
  }
  void TearDown() override {
    SetEnvironmentVariableA(kTraceVariable, nullptr);
    DeleteFileA(file_.c_str());
    RemoveDirectoryA(dir_.c_str());
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  PinnedClock clock_;
  Platform platform_;
  std::string dir_, file_;
};

TEST_F(TraceWin32, WritesStampedLinesInTheUsersGermanSettingsAndAppends) {
  GermanRegionalSettings german;
  SetEnvironmentVariableA(kTraceVariable, file_.c_str());
  {
    ScopedPlatform scope(platform_);
    WriteTrace("CreateAddInCommandBarButton start");
    clock_.now.millisecond = 0;
    WriteTrace("f\xC3\xBCr");  // "für" in UTF-8 becomes one ANSI byte
  }
  EXPECT_EQ(Read(file_),
            "04.12.2026 23:05:12,25: CreateAddInCommandBarButton start\r\n"
            "04.12.2026 23:05:12: f\xFCr\r\n");

  // The default platform's clock: in the same settings, the stamp lies between two readings of
  // the local time taken around the call.
  DeleteFileA(file_.c_str());
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  WriteTrace("now");
  GetLocalTime(&after);
  const auto moment = [](const SYSTEMTIME& t) {
    return std::array<int, 6>{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  };
  const std::string line = Read(file_);
  std::array<int, 6> stamp{};
  ASSERT_EQ(std::sscanf(line.c_str(), "%2d.%2d.%4d %2d:%2d:%2d", &stamp[2], &stamp[1], &stamp[0],
                        &stamp[3], &stamp[4], &stamp[5]),
            6)
      << line;
  EXPECT_LE(moment(before), stamp) << line;
  EXPECT_LE(stamp, moment(after)) << line;
  EXPECT_EQ(line.substr(line.size() - 7), ": now\r\n");
}

TEST_F(TraceWin32, AnUnsetOrEmptySwitchOrAMissingFolderWritesNothing) {
  ScopedPlatform scope(platform_);
  const std::string missing = dir_ + "\\missing\\trace.log";
  for (const char* path : {static_cast<const char*>(nullptr), "", missing.c_str()}) {
    SetEnvironmentVariableA(kTraceVariable, path);
    WriteTrace("nothing");
  }
  EXPECT_EQ(GetFileAttributesA(file_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((dir_ + "\\missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace orvan::testing
