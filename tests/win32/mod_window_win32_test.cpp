// The host's program and the add-in's folder as Windows reports them for the running process.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace orvan::testing
