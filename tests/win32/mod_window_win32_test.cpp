#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/win32/win32.h"
#include "support/mod_window.h"

namespace orvan::testing {
namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string ExecutablePath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

TEST(ModWindowWin32, HostModuleNameOfTheTestProgram) {
  const std::string path = ExecutablePath();
  EXPECT_EQ(GetHostModuleName(true), path);
  EXPECT_EQ(GetHostModuleName(false), "ORVAN_WIN_TESTS.EXE");
}

TEST(ModWindowWin32, AddinFolderFollowsTheLoadedLibrary) {
  const std::string exe = ExecutablePath();
  ASSERT_EQ(GetModuleHandleA(kAddinModuleName), nullptr);
  EXPECT_EQ(GetAddinFolder(), exe.substr(0, exe.rfind('\\') + 1));

  const HMODULE addin = LoadLibraryA(ORVAN_ADDIN_DLL_PATH);
  ASSERT_NE(addin, nullptr) << "cannot load " << ORVAN_ADDIN_DLL_PATH;
  const std::string dll = ORVAN_ADDIN_DLL_PATH;
  EXPECT_EQ(Lower(GetAddinFolder()), Lower(dll.substr(0, dll.rfind('\\') + 1)));
  FreeLibrary(addin);
}

}  // namespace
}  // namespace orvan::testing
