// Caption language from the printer product's "LanguageID", asked once per thread.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"
#include "shared/captions.h"
#include "support/language.h"

namespace orvan::testing {
namespace {

class LanguageTest : public OfficeTest {
 protected:
  LanguageTest() {
    SetLanguage(0);
    fakes_.strings.table = {{1000, kGermanCaptions.first},  {1001, kGermanCaptions.second},
                            {2000, kEnglishCaptions.first}, {2001, kEnglishCaptions.second},
                            {3000, kFrenchCaptions.first},  {3001, kFrenchCaptions.second}};
  }
  ~LanguageTest() override { SetLanguage(0); }

  std::size_t JobsCreated() const { return sim::CallsTo(api_, "OrvanPdfVtJobCreate").size(); }
};

// Each language asked with one job (the first one gets handle 0) and a buffer of 10; the
// second caption asks nothing.
TEST_F(LanguageTest, CaptionsFollowTheLanguageAskedOnceOfAJob) {
  api_.next_handle = 0;
  std::int32_t handle = 0;
  for (const auto& [id, expected] : kCaptionsByLanguageId) {
    SetLanguage(0);
    api_.language_id = id;
    api_.log.clear();
    const Captions captions{LoadLanguageString(0), LoadLanguageString(1)};
    EXPECT_EQ(captions, expected) << "LanguageID " << id;
    const std::string job = std::to_string(handle++);
    const std::vector<std::string> log = {
        "OrvanPdfVtJobCreate(-1) = 1 handle=" + job,
        "OrvanPdfVtJobGetPropertyA(" + job + ", \"LanguageID\", 10) = 1 \"" + id + "\"",
        "OrvanPdfVtJobFree(" + job + ") = 1",
    };
    EXPECT_EQ(api_.log, log) << "LanguageID " << id;
  }
  EXPECT_EQ(LanguageOffset(), 2000);                             // the last one, 1033
  EXPECT_EQ(ErrorNumberOf([] { LoadLanguageString(5); }), 326);  // not in the string table
  EXPECT_TRUE(Boxes().empty());
}

// A job that cannot be created is not read or freed; a failed read frees its job. Both are
// reported, leave the 10 blanks (a type mismatch) and are tried again with the next caption.
TEST_F(LanguageTest, AFailedDeterminationIsReportedRaisesAndIsTriedAgainNextTime) {
  api_.failures["OrvanPdfVtJobCreate"] = {1, 512, "kein Drucker"};
  api_.failures["OrvanPdfVtJobGetPropertyA"] = {1, 87, "gesperrt"};
  EXPECT_EQ(ErrorNumberOf([] { LoadLanguageString(0); }), vberr::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([] { LoadLanguageString(0); }), vberr::kTypeMismatch);
  EXPECT_EQ(LanguageIndex(), 0);
  const std::vector<ShownMessageBox> boxes = {
      {"Fehler 512: kein Drucker", "OrvanPdfVtJobCreate", 48},
      {"Fehler 87: gesperrt", "OrvanPdfVtJobGetPropertyVal", 48},
  };
  EXPECT_EQ(Boxes(), boxes);
  const std::vector<std::string> log = {
      "OrvanPdfVtJobCreate(-1) = 0",
      "OrvanPdfVtJobGetError(-1) = 1 512",
      "OrvanPdfVtJobGetErrorTextA(-1, 1024) = 1 \"kein Drucker\"",
      "OrvanPdfVtJobCreate(-1) = 1 handle=1",
      "OrvanPdfVtJobGetPropertyA(1, \"LanguageID\", 10) = 0",
      "OrvanPdfVtJobGetError(1) = 1 87",
      "OrvanPdfVtJobGetErrorTextA(1, 1024) = 1 \"gesperrt\"",
      "OrvanPdfVtJobFree(1) = 1",
  };
  EXPECT_EQ(api_.log, log);

  EXPECT_EQ(LoadLanguageString(0), "PDF mit Orvan pdf &vatner erstellen");
  EXPECT_TRUE(api_.jobs.empty());
}

TEST(PrimaryLanguageId, RoundsTheQuotientHalfToEven) {
  EXPECT_EQ(GetPrimaryLanguageId(1031), 7);
  EXPECT_EQ(GetPrimaryLanguageId(2055), 7);
  EXPECT_EQ(GetPrimaryLanguageId(3084), 12);
  EXPECT_EQ(GetPrimaryLanguageId(7), 7);
  EXPECT_EQ(GetPrimaryLanguageId(-1), -1);
  EXPECT_EQ(GetPrimaryLanguageId(512), 512);    // 0.5 rounds to 0
  EXPECT_EQ(GetPrimaryLanguageId(1536), -512);  // 1.5 rounds to 2
  EXPECT_EQ(GetPrimaryLanguageId(2560), 512);   // 2.5 rounds to 2
}

}  // namespace
}  // namespace orvan::testing
