// Caption language from the printer product's "LanguageID", asked once per thread.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"

namespace orvan::testing {
namespace {

class LanguageTest : public OfficeTest {
 protected:
  LanguageTest() { SetLanguage(0); }
};

// A job that cannot be created is not read or freed; a failed read frees its job. Both are
// reported, leave the 10 blanks (a type mismatch) and are tried again with the next caption. A
// number beyond the language's strings is Basic's missing resource.
TEST_F(LanguageTest, AFailedDeterminationIsReportedRaisesAndIsTriedAgainNextTime) {
  api_.failures["OrvanPdfVtJobCreate"] = {1, 512, "kein Drucker"};
  api_.failures["OrvanPdfVtJobGetPropertyA"] = {1, 87, "gesperrt"};
  EXPECT_EQ(ErrorNumberOf([] { LoadLanguageString(0); }), vberr::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([] { LoadLanguageString(0); }), vberr::kTypeMismatch);
  EXPECT_EQ(Boxes(), (std::vector<ShownMessageBox>{
                         {"Fehler 512: kein Drucker", "OrvanPdfVtJobCreate", 48},
                         {"Fehler 87: gesperrt", "OrvanPdfVtJobGetPropertyVal", 48}}));
  EXPECT_EQ(sim::CallsTo(api_, "OrvanPdfVtJobFree"),
            (std::vector<std::string>{"OrvanPdfVtJobFree(1) = 1"}));
  EXPECT_EQ(LoadLanguageString(0), kGermanCaptions.first);
  EXPECT_TRUE(api_.jobs.empty());
  EXPECT_EQ(ErrorNumberOf([] { LoadLanguageString(5); }), 326);
}

TEST(PrimaryLanguageId, RoundsTheQuotientHalfToEven) {
  // 512, 1536 and 2560 are 0.5, 1.5 and 2.5 times 1024: their quotients round to 0, 2 and 2.
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {1031, 7}, {2055, 7}, {3084, 12}, {7, 7}, {-1, -1}, {512, 512}, {1536, -512}, {2560, 512}};
  for (const auto& [id, primary] : cases)
    EXPECT_EQ(GetPrimaryLanguageId(id), primary) << id;
}

}  // namespace
}  // namespace orvan::testing
