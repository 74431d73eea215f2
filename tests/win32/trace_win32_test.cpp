// The trace against the real environment, file system and regional formatting of Windows; the
// host's program, the add-in's folder and the message loop as Windows has them for the process.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/win32/platform_win32.h"
#include "support/mod_window.h"
#include "support/trace.h"

namespace orvan::testing {
namespace {

// The user's regional settings with the clock pinned to one moment.
class PinnedClock final : public win32::Win32Clock {
 public:
  LocalTime Now() const override { return now; }
  LocalTime now{2026, 12, 4, 23, 5, 12, 250};
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
    platform_ = win32::Win32Platform();
    platform_.clock = &clock_;
  }
  void TearDown() override {
    SetEnvironmentVariableA(kTraceVariable, nullptr);
    DeleteFileA(file_.c_str());
    RemoveDirectoryA(dir_.c_str());
  }
  std::string Read() const {
    std::ifstream in(file_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  PinnedClock clock_;
  Platform platform_;
  std::string dir_, file_;
};

TEST_F(TraceWin32, WritesStampedLinesInTheUsersGermanSettingsAndAppends) {
  // The user's regional settings in German formats for the test, restored afterwards.
  std::vector<std::pair<LCTYPE, std::string>> saved;
  for (const auto& [type, value] : {std::pair{LOCALE_SSHORTDATE, "dd.MM.yyyy"},
                                    {LOCALE_STIMEFORMAT, "HH:mm:ss"},
                                    {LOCALE_SDECIMAL, ","}}) {
    char old[80] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, type, old, sizeof old);
    saved.emplace_back(type, old);
    SetLocaleInfoA(LOCALE_USER_DEFAULT, type, value);
  }
  SetEnvironmentVariableA(kTraceVariable, file_.c_str());
  {
    ScopedPlatform scope(platform_);
    WriteTrace("CreateAddInCommandBarButton start");
    clock_.now.millisecond = 0;
    WriteTrace("f\xC3\xBCr");  // "für" in UTF-8 becomes one ANSI byte
  }
  EXPECT_EQ(Read(),
            "04.12.2026 23:05:12,25: CreateAddInCommandBarButton start\r\n"
            "04.12.2026 23:05:12: f\xFCr\r\n");

  // The default platform's clock: in the same settings, the stamp is the local time read just
  // before or just after the call (to the second).
  DeleteFileA(file_.c_str());
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  WriteTrace("now");
  GetLocalTime(&after);
  for (const auto& [type, value] : saved)
    SetLocaleInfoA(LOCALE_USER_DEFAULT, type, value.c_str());
  const auto stamp = [](const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u.%02u.%04u %02u:%02u:%02u", t.wDay, t.wMonth, t.wYear,
                  t.wHour, t.wMinute, t.wSecond);
    return std::string(text);
  };
  const std::string line = Read();
  EXPECT_TRUE(line.starts_with(stamp(before)) || line.starts_with(stamp(after))) << line;
  EXPECT_TRUE(line.ends_with(": now\r\n")) << line;
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

// The host's program and the add-in's folder follow the loaded modules.
std::string FolderOf(const std::string& path) {
  return path.substr(0, path.rfind('\\') + 1);
}

TEST(ModWindowWin32, HostModuleNameAndAddinFolderFollowTheLoadedModules) {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  EXPECT_EQ(GetHostModuleName(true), exe);
  EXPECT_EQ(GetHostModuleName(false), "ORVAN_WIN_TESTS.EXE");

  ASSERT_EQ(GetModuleHandleA(kAddinModuleName), nullptr);
  EXPECT_EQ(GetAddinFolder(), FolderOf(exe));
  const HMODULE addin = LoadLibraryA(ORVAN_ADDIN_DLL_PATH);
  ASSERT_NE(addin, nullptr) << "cannot load " << ORVAN_ADDIN_DLL_PATH;
  EXPECT_STRCASEEQ(GetAddinFolder().c_str(), FolderOf(ORVAN_ADDIN_DLL_PATH).c_str());
  FreeLibrary(addin);
}

// The messages the add-in processes while it waits (Basic's DoEvents) stop at the host's quit
// message, which stays for the host's own loop, with its exit code.
TEST(ModWindowWin32, ProcessingPendingMessagesLeavesTheQuitMessageToTheHost) {
  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  PostQuitMessage(5);
  win32::Win32MessagePump().ProcessPendingMessages();
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 5u);
}

}  // namespace
}  // namespace orvan::testing
