// The job API wrappers for real: the stand-in OrvanpdfVtAPI.dll loaded by its
// full path and called through generated x64 code, its state shared with the
// test through its state file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "jobapi/vatner_api.h"
#include "platform/win32/win32.h"
#include "shared/captions.h"
#include "sim/jobapi/job_api_state.h"
#include "support/language.h"
#include "win32/message_box_capture_win32.h"

namespace orvan::testing {
namespace {

using sim::CallsTo;

class JobApiWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, folder), 0u);
    state_path_ = std::string(folder) + "orvan_jobapi_state.txt";
    sim::JobApiState initial;
    initial.printer_name = "Orvan pdf vatner (B\xFCro)";  // the library's texts are ANSI
    Write(initial);
    ASSERT_EQ(_putenv(("ORVAN_JOBAPI_STATE=" + state_path_).c_str()), 0);
    InstallJobApiCaller(nullptr);  // a fresh cFuncCall on first use
    SetLanguage(0);
  }
  void TearDown() override {
    InstallJobApiCaller(nullptr);  // frees the library
    SetLanguage(0);
    _putenv("ORVAN_JOBAPI_STATE=");
    DeleteFileA(state_path_.c_str());
  }

  sim::JobApiState State() const { return sim::ReadStateFile(state_path_); }
  void Write(const sim::JobApiState& state) const {
    ASSERT_TRUE(sim::WriteStateFile(state_path_, state)) << state_path_;
  }

  std::string state_path_;
  MessageBoxCapture boxes_;
};

// The library loaded by its path and called through the generated code (whose whole round trip,
// failures included, the scenarios play): texts in the ANSI code page both ways.
TEST_F(JobApiWin32, LoadsTheLibraryByPathAndPassesAnsiTextsBothWays) {
  ASSERT_TRUE(LoadVatnerAPI(ORVAN_JOBAPI_DLL_PATH));
  EXPECT_EQ(PdfPrinterName(), "Orvan pdf vatner (Büro)");
  std::int32_t job = -1;
  ASSERT_EQ(OrvanPdfVtJobCreate(job, -1, false), 1);
  EXPECT_EQ(OrvanPdfVtJobSetPropertyVal(job, "Author", "Müller", false), 1);
  std::string author(1024, ' ');
  EXPECT_EQ(OrvanPdfVtJobGetPropertyVal(job, "Author", author, 1024, false), 1);
  EXPECT_EQ(author, "Müller");
  EXPECT_EQ(OrvanPdfVtJobFree(job, false), 1);
  EXPECT_TRUE(boxes_.boxes().empty());
}

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
    Write(state);
    SetLanguage(0);
    const Captions captions{LoadLanguageString(0), LoadLanguageString(1)};
    EXPECT_EQ(captions, expected) << "LanguageID " << id;
  }
  // One job per determination: the second caption of each language asked
  // nothing.
  const sim::JobApiState after = State();
  EXPECT_EQ(CallsTo(after, "OrvanPdfVtJobCreate").size(), kCaptionsByLanguageId.size());
  EXPECT_TRUE(after.jobs.empty());
  EXPECT_TRUE(boxes_.boxes().empty());
}

}  // namespace
}  // namespace orvan::testing
