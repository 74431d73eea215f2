// The host's program and the add-in's folder as Windows reports them for the running process.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/platform_win32.h"
#include "platform/win32/win32.h"
#include "support/mod_window.h"

namespace orvan::testing {
namespace {

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
