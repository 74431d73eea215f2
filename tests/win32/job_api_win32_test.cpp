// The job API wrappers for real: the stand-in OrvanpdfVtAPI.dll loaded by its
// full path and called through generated code, its state shared with the test
// through its state file. (The scenarios play its texts' round trip in the ANSI
// code page: the printer's name, a property set and one read back.)
#include <gtest/gtest.h>

#include <cstdlib>

#include "jobapi/vatner_api.h"
#include "platform/win32/win32.h"
#include "shared/captions.h"
#include "sim/jobapi/job_api_state.h"
#include "support/language.h"

namespace orvan::testing {
namespace {

class JobApiWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, folder), 0u);
    state_path_ = std::string(folder) + "orvan_jobapi_state.txt";
    ASSERT_TRUE(sim::ResetStateFiles(state_path_, sim::JobApiState{})) << state_path_;
    ASSERT_EQ(_putenv(("ORVAN_JOBAPI_STATE=" + state_path_).c_str()), 0);
    InstallJobApiCaller(nullptr);  // a fresh cFuncCall on first use
    SetLanguage(0);
  }
  void TearDown() override {
    InstallJobApiCaller(nullptr);  // frees the library
    SetLanguage(0);
    _putenv("ORVAN_JOBAPI_STATE=");
    sim::RemoveStateFiles(state_path_);
  }

  sim::JobApiState State() const { return sim::ReadStateFile(state_path_); }

  std::string state_path_;
};

// Captions come, in the language the printer product reports, from the string
// table of the module that holds the code: here the test program, which carries
// the add-in's table under another file name while no module named
// OrvanpdfVtAddin.dll is loaded.
TEST_F(JobApiWin32, CaptionsFollowThePrinterProductsLanguage) {
  ASSERT_EQ(GetModuleHandleA("OrvanpdfVtAddin.dll"), nullptr);
  ASSERT_TRUE(LoadVatnerAPI(ORVAN_JOBAPI_DLL_PATH));
  for (const auto& [id, expected] : kCaptionsByLanguageId) {
    sim::JobApiState state = State();
    state.language_id = id;
    ASSERT_TRUE(sim::WriteStateFile(state_path_, state)) << state_path_;
    SetLanguage(0);
    const Captions captions{LoadLanguageString(0), LoadLanguageString(1)};
    EXPECT_EQ(captions, expected) << "LanguageID " << id;
  }
  // One job per determination: the second caption of each language asked
  // nothing.
  EXPECT_EQ(sim::CallsTo(sim::ReadLogFile(state_path_), "OrvanPdfVtJobCreate").size(),
            kCaptionsByLanguageId.size());
  EXPECT_TRUE(State().jobs.empty());
}

}  // namespace
}  // namespace orvan::testing
