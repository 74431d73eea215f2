// Caption language from the printer product's "LanguageID", asked once per thread.
#include <gtest/gtest.h>

#include <cstring>

#include "doubles/fake_platform.h"
#include "doubles/scripted_caller.h"
#include "jobapi/vatner_api.h"
#include "support/error.h"
#include "support/language.h"

namespace orvan::testing {
namespace {

class LanguageTest : public ::testing::Test {
 protected:
  LanguageTest() {
    lib_ = InstallScriptedCaller();
    SetLanguage(0);
    fakes_.strings.table = {
        {1000, "PDF mit Orvan pdf &vatner erstellen"}, {1001, "Orvan pdf vatner &konfigurieren"},
        {2000, "Generate PDF with Orvan pdf &vatner"}, {2001, "&Configure Orvan pdf vatner"},
        {3000, "Générer PDF avec Orvan pdf &vatner"},  {3001, "&Configurer Orvan pdf vatner"}};
    lib_->functions["OrvanPdfVtJobCreate"] = [this](Args a) {
      ++jobs_created_;
      *reinterpret_cast<std::int32_t*>(a[0]) = 9;
      return create_result_;
    };
    lib_->functions["OrvanPdfVtJobGetPropertyA"] = [this](Args a) {
      EXPECT_STREQ(reinterpret_cast<char*>(a[1]), "LanguageID");
      EXPECT_EQ(a[3], 10);
      std::strcpy(reinterpret_cast<char*>(a[2]), language_id_.c_str());
      return 1;
    };
    lib_->functions["OrvanPdfVtJobFree"] = [this](Args) {
      ++jobs_freed_;
      return 1;
    };
    lib_->functions["OrvanPdfVtJobGetError"] = [](Args a) {
      *reinterpret_cast<std::int32_t*>(a[1]) = 512;
      return 1;
    };
    lib_->functions["OrvanPdfVtJobGetErrorTextA"] = [](Args a) {
      std::strcpy(reinterpret_cast<char*>(a[1]), "kein Drucker");
      return 1;
    };
  }
  ~LanguageTest() override {
    SetLanguage(0);
    InstallJobApiCaller(nullptr);
  }

  std::pair<std::string, std::string> Captions() {
    SetLanguage(0);
    return {LoadLanguageString(0), LoadLanguageString(1)};
  }

  FakePlatform fakes_;
  ScriptedCaller* lib_;
  std::string language_id_ = "1031";
  std::int32_t create_result_ = 1;
  int jobs_created_ = 0;
  int jobs_freed_ = 0;
};

TEST_F(LanguageTest, CaptionsFollowThePrimaryLanguage) {
  const std::pair<std::string, std::string> german{"PDF mit Orvan pdf &vatner erstellen",
                                                   "Orvan pdf vatner &konfigurieren"};
  const std::pair<std::string, std::string> english{"Generate PDF with Orvan pdf &vatner",
                                                    "&Configure Orvan pdf vatner"};
  const std::pair<std::string, std::string> french{"Générer PDF avec Orvan pdf &vatner",
                                                   "&Configurer Orvan pdf vatner"};
  for (const auto& [id, expected] :
       std::vector<std::pair<std::string, std::pair<std::string, std::string>>>{
           {"1031", german},
           {"2055", german},
           {"3084", french},
           {"1036", french},
           {"1043", english},
           {"0", english},
           {"-1", english},
           {"1033", english}}) {
    language_id_ = id;
    EXPECT_EQ(Captions(), expected) << "LanguageID " << id;
  }
  EXPECT_EQ(jobs_created_, jobs_freed_);
}

TEST_F(LanguageTest, TheLanguageIsAskedOnceAndKept) {
  language_id_ = "3084";
  EXPECT_EQ(LoadLanguageString(0), "Générer PDF avec Orvan pdf &vatner");
  EXPECT_EQ(LanguageIndex(), 3);
  EXPECT_EQ(LanguageOffset(), 3000);
  language_id_ = "1031";
  EXPECT_EQ(LoadLanguageString(1), "&Configurer Orvan pdf vatner");
  EXPECT_EQ(jobs_created_, 1);
}

TEST_F(LanguageTest, AFailedDeterminationRaisesAndIsTriedAgainNextTime) {
  create_result_ = 0;  // the handle was still written, so the job is freed
  try {
    LoadLanguageString(0);
    FAIL() << "no error raised";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), vberr::kTypeMismatch);  // ten blanks are no number
  }
  ASSERT_EQ(fakes_.ui.boxes.size(), 1u);
  EXPECT_EQ(fakes_.ui.boxes[0],
            (ShownMessageBox{"Fehler 512: kein Drucker", "OrvanPdfVtJobCreate", 48}));
  EXPECT_EQ(LanguageIndex(), 0);
  EXPECT_EQ(jobs_freed_, 1);

  create_result_ = 1;
  EXPECT_EQ(LoadLanguageString(0), "PDF mit Orvan pdf &vatner erstellen");
  EXPECT_EQ(jobs_created_, 2);
}

TEST_F(LanguageTest, AStringTheTableLacksRaisesResourceNotFound) {
  SetLanguage(1);
  try {
    LoadLanguageString(5);
    FAIL() << "no error raised";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), 326);
  }
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
