// The job API wrappers against a caller whose library functions the test scripts.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

#include "doubles/fake_platform.h"
#include "doubles/scripted_caller.h"
#include "jobapi/vatner_api.h"
#include "support/error.h"

namespace orvan::testing {
namespace {

char* Text(std::intptr_t address) {
  return reinterpret_cast<char*>(address);
}
std::int32_t& Long(std::intptr_t address) {
  return *reinterpret_cast<std::int32_t*>(address);
}

class VatnerApiTest : public ::testing::Test {
 protected:
  VatnerApiTest() {
    lib_ = InstallScriptedCaller();
    lib_->functions["OrvanPdfVtJobGetError"] = [this](Args a) {
      Long(a[1]) = error_number_;
      return error_readable_ ? 1 : 0;
    };
    lib_->functions["OrvanPdfVtJobGetErrorTextA"] = [](Args a) {
      EXPECT_EQ(a[2], 1024);
      std::strcpy(Text(a[1]), "Drucker nicht bereit");
      return 1;
    };
  }
  ~VatnerApiTest() override { InstallJobApiCaller(nullptr); }

  void Fail(const std::string& function) {
    lib_->functions[function] = [](Args) { return 0; };
  }

  FakePlatform fakes_;
  ScriptedCaller* lib_;
  std::int32_t error_number_ = 7;
  bool error_readable_ = true;
};

TEST_F(VatnerApiTest, PropertyReadsReturnWhatTheLibraryWroteOrTheBufferUnchanged) {
  std::string offered;
  lib_->functions["OrvanPdfVtJobGetPropertyA"] = [&offered](Args a) {
    EXPECT_EQ(a[0], 5);
    EXPECT_STREQ(Text(a[1]), "Title");
    EXPECT_EQ(a[3], 1024);
    offered.assign(Text(a[2]), std::strlen(Text(a[2])) + 1);  // the bytes offered, NUL included
    if (std::strcmp(Text(a[1]), "Title") == 0) std::strcpy(Text(a[2]), "abc");
    return 1;
  };
  std::string value(1024, ' ');
  EXPECT_EQ(OrvanPdfVtJobGetPropertyVal(5, "Title", value, 1024, false), 1);
  EXPECT_EQ(value, "abc");
  EXPECT_EQ(offered.size(), 1025u);

  lib_->functions["OrvanPdfVtJobGetPropertyA"] = [](Args) { return 1; };
  value.assign(1024, ' ');
  OrvanPdfVtJobGetPropertyVal(5, "Subject", value, 1024, false);
  EXPECT_EQ(value, std::string(1024, ' '));
  EXPECT_TRUE(fakes_.ui.boxes.empty());
}

TEST_F(VatnerApiTest, StringsPassAsNulTerminatedAnsiBytes) {
  std::string name, value;
  lib_->functions["OrvanPdfVtJobSetPropertyA"] = [&](Args a) {
    name = Text(a[1]);
    value.assign(Text(a[2]), std::strlen(Text(a[2])) + 1);
    return 1;
  };
  OrvanPdfVtJobSetPropertyVal(3, "Title", "", false);
  EXPECT_EQ(value, std::string(1, '\0'));
  OrvanPdfVtJobSetPropertyVal(3, "Author", "Müller", false);
  EXPECT_EQ(name, "Author");
  EXPECT_EQ(value, std::string("M\xFCller\0", 7));
}

TEST_F(VatnerApiTest, FailuresShowTheLibrarysErrorUnderTheOperationsName) {
  Fail("OrvanPdfVtJobCreate");
  std::int32_t job = -1;
  EXPECT_EQ(OrvanPdfVtJobCreate(job, -1, false), 0);
  EXPECT_EQ(job, -1);
  Fail("OrvanPdfVtJobSetPropertyA");
  error_number_ = 70000;
  OrvanPdfVtJobSetPropertyVal(1, "Title", "x", false);
  error_number_ = 40000;
  Fail("OrvanPdfVtJobSaveDevModeProperty");
  OrvanPdfVtJobSaveDevModeProperty(1, 4, false);
  lib_->functions["OrvanPdfVtJobGetErrorTextA"] = [](Args) { return 0; };
  error_number_ = 512;
  Fail("OrvanPdfVtJobFree");
  OrvanPdfVtJobFree(job, false);

  const std::vector<ShownMessageBox> expected = {
      {"Fehler 7: Drucker nicht bereit", "OrvanPdfVtJobCreate", 48},
      {"Fehler 4464: Drucker nicht bereit", "OrvanPdfVtJobSetPropertyVal", 48},
      {"Fehler -25536: Drucker nicht bereit", "OrvanPdfVtJobSaveDevModeProperty", 48},
      {"Fehler 512: Fehlertext konnte nicht ermittelt werden", "OrvanPdfVtJobFree", 48},
  };
  EXPECT_EQ(fakes_.ui.boxes, expected);
}

TEST_F(VatnerApiTest, AnUnreadableErrorNumberShowsTheCriticalBox) {
  error_readable_ = false;
  Fail("OrvanPdfVtJobGetPropertyA");
  std::string value(10, ' ');
  OrvanPdfVtJobGetPropertyVal(1, "LanguageID", value, 10, false);
  ASSERT_EQ(fakes_.ui.boxes.size(), 1u);
  EXPECT_EQ(fakes_.ui.boxes[0], (ShownMessageBox{"Fehler konnte nicht ermittelt werden",
                                                 "Fehler in OrvanPdfVtJobGetPropertyVal", 16}));
}

TEST_F(VatnerApiTest, SuccessOrQuietFailuresShowNothing) {
  lib_->functions["OrvanPdfVtJobShowDevModeProperty"] = [](Args a) {
    Long(a[1]) = 1;
    return 1;
  };
  std::int32_t outcome = 0;
  EXPECT_EQ(OrvanPdfVtJobShowDevModeProperty(2, outcome, false), 1);
  EXPECT_EQ(outcome, 1);
  Fail("OrvanPdfVtJobInitDevModeProperty");
  std::int32_t found = 0;
  EXPECT_EQ(OrvanPdfVtJobInitDevModeProperty(2, 3, found, true), 0);
  // An export the library lacks fails like any other call (the caller showed its own box).
  std::int32_t job = -1;
  EXPECT_EQ(OrvanPdfVtJobCreate(job, -1, true), 0);
  EXPECT_TRUE(fakes_.ui.boxes.empty());
  EXPECT_EQ(lib_->calls, (std::vector<std::string>{"OrvanPdfVtJobShowDevModeProperty",
                                                   "OrvanPdfVtJobInitDevModeProperty"}));
}

TEST_F(VatnerApiTest, ARunTimeErrorInsideTheReportIsShownItself) {
  Fail("OrvanPdfVtJobFree");
  lib_->functions["OrvanPdfVtJobGetError"] = [](Args) -> std::int32_t {
    throw VbError::Runtime(vberr::kTypeMismatch);
  };
  std::int32_t job = 4;
  OrvanPdfVtJobFree(job, false);
  ASSERT_EQ(fakes_.ui.boxes.size(), 1u);
  EXPECT_EQ(fakes_.ui.boxes[0], (ShownMessageBox{"Error 13 occured in Sub CheckResult().",
                                                 "Orvan pdf Vatner COM Add-In", 48}));
}

TEST_F(VatnerApiTest, LoadingReadsThePrinterNameThroughTheOfferedBuffer) {
  PdfPrinterName() = "before";
  EXPECT_FALSE(LoadVatnerAPI("missing.dll"));
  EXPECT_EQ(PdfPrinterName(), "before");

  std::string offered;
  lib_->functions["OrvanPdfVtAPIGetFirstPrinterA"] = [&offered](Args a) {
    EXPECT_EQ(a[1], 1024);
    offered.assign(Text(a[0]), 1032);
    std::strcpy(Text(a[0]), "Orvan pdf vatner (Netz)");
    return 1;
  };
  EXPECT_TRUE(LoadVatnerAPI("C:\\Orvan\\OrvanpdfVtAPI.dll"));
  EXPECT_EQ(PdfPrinterName(), "Orvan pdf vatner (Netz)");
  EXPECT_EQ(offered, std::string("Orvan pdf vatner\0", 17) + std::string(1014, ' ') + '\0');

  Fail("OrvanPdfVtAPIGetFirstPrinterA");
  EXPECT_FALSE(LoadVatnerAPI("C:\\Orvan\\OrvanpdfVtAPI.dll"));
  EXPECT_EQ(PdfPrinterName(), "Orvan pdf vatner");
  EXPECT_TRUE(fakes_.ui.boxes.empty());
}

TEST_F(VatnerApiTest, JobErrorCodeIsTheLowSixteenBitsSigned) {
  error_number_ = 70000;
  EXPECT_EQ(GetJobErrorCode(1), 4464);
  error_number_ = 40000;
  EXPECT_EQ(GetJobErrorCode(1), -25536);
  error_number_ = 512;
  EXPECT_EQ(GetJobErrorCode(1), 512);
  error_readable_ = false;
  EXPECT_EQ(GetJobErrorCode(1), 0);
  EXPECT_TRUE(fakes_.ui.boxes.empty());
}

TEST(TrimAtNull, CutsAtTheFirstNul) {
  EXPECT_EQ(TrimAtNull(std::string("ab\0cd\0", 6)), "ab");
  EXPECT_EQ(TrimAtNull("whole"), "whole");
  EXPECT_EQ(TrimAtNull(""), "");
  EXPECT_EQ(TrimAtNull(std::string("\0x", 2)), "");
}

}  // namespace
}  // namespace orvan::testing
