#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"
#include "support/error.h"
#include "support/mod_window.h"

namespace orvan::testing {
namespace {

using ModWindowTest = PlatformTest;

TEST_F(ModWindowTest, HostModuleNameIsThePathCutToTheBufferOrItsUpperCaseFileName) {
  fakes_.modules.executable = "C:\\Office\\winword.exe";
  EXPECT_EQ(GetHostModuleName(true), "C:\\Office\\winword.exe");
  EXPECT_EQ(GetHostModuleName(false), "WINWORD.EXE");
  fakes_.modules.executable = "excel.exe";  // no folder at all
  EXPECT_EQ(GetHostModuleName(false), "EXCEL.EXE");
  fakes_.modules.executable = "C:\\Programme\\Präsentation\\powerpnt.exe";
  EXPECT_EQ(GetHostModuleName(false), "POWERPNT.EXE");
  // Longer paths are cut to the buffer's 254 characters (the bad inputs' host paths).
  fakes_.modules.executable = "C:\\" + std::string(245, 'g') + "\\x.exe";  // exactly 254
  EXPECT_EQ(GetHostModuleName(true), fakes_.modules.executable);
}

TEST_F(ModWindowTest, FailedLookupsGiveEmptyNameButRaiseForTheFolder) {
  fakes_.modules.fail = true;
  EXPECT_EQ(GetHostModuleName(true), "");
  EXPECT_EQ(GetHostModuleName(false), "");
  EXPECT_EQ(ErrorNumberOf([] { GetAddinFolder(); }), vberr::kInvalidProcedureCall);
  fakes_.modules.fail = false;
  fakes_.modules.executable = "WINWORD.EXE";
  EXPECT_EQ(GetAddinFolder(), "");
}

}  // namespace
}  // namespace orvan::testing
