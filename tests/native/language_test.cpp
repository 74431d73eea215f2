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

TEST_F(LanguageTest, TheLanguageIsAskedOnceAndKept) {
  api_.language_id = "3084";
  EXPECT_EQ(LoadLanguageString(0), "Générer PDF avec Orvan pdf &vatner");
  EXPECT_EQ(LanguageIndex(), 3);
  EXPECT_EQ(LanguageOffset(), 3000);
  api_.language_id = "1031";
  EXPECT_EQ(LoadLanguageString(1), "&Configurer Orvan pdf vatner");
  EXPECT_EQ(JobsCreated(), 1u);
  EXPECT_EQ(ErrorNumberOf([] { LoadLanguageString(5); }), 326);  // not in the string table
}

TEST_F(LanguageTest, AFailedDeterminationRaisesAndIsTriedAgainNextTime) {
  api_.failures["OrvanPdfVtJobCreate"] = {1, 512, "kein Drucker"};
  EXPECT_EQ(ErrorNumberOf([] { LoadLanguageString(0); }), vberr::kTypeMismatch);  // 10 blanks
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], (ShownMessageBox{"Fehler 512: kein Drucker", "OrvanPdfVtJobCreate", 48}));
  EXPECT_EQ(LanguageIndex(), 0);
  EXPECT_TRUE(sim::CallsTo(api_, "OrvanPdfVtJobGetPropertyA").empty());

  EXPECT_EQ(LoadLanguageString(0), "PDF mit Orvan pdf &vatner erstellen");
  EXPECT_EQ(JobsCreated(), 2u);
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
