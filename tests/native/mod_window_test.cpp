#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"
#include "support/error.h"
#include "support/mod_window.h"

namespace orvan::testing {
namespace {

using ModWindowTest = PlatformTest;

// The path cut to the buffer's 254 characters (longer ones: the bad inputs' host paths) or its
// upper-case file name; a failed lookup gives empty names but raises for the add-in's folder.
TEST_F(ModWindowTest, HostModuleNameIsThePathOrItsUpperCaseFileNameAndEmptyWhenTheLookupFails) {
  const std::string longest = "C:\\" + std::string(245, 'g') + "\\x.exe";
  const std::pair<std::string, const char*> cases[] = {
      {"C:\\Office\\winword.exe", "WINWORD.EXE"}, {longest, "X.EXE"}, {"excel.exe", "EXCEL.EXE"}};
  for (const auto& [path, name] : cases) {
    fakes_.modules.executable = path;
    EXPECT_EQ(GetHostModuleName(true), path);
    EXPECT_EQ(GetHostModuleName(false), name);
  }
  EXPECT_EQ(GetAddinFolder(), "");  // the last: a name without a folder
  fakes_.modules.fail = true;
  EXPECT_EQ(GetHostModuleName(true), "");
  EXPECT_EQ(GetHostModuleName(false), "");
  EXPECT_EQ(ErrorNumberOf([] { GetAddinFolder(); }), vberr::kInvalidProcedureCall);
}

}  // namespace
}  // namespace orvan::testing
