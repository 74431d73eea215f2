// The job API wrappers' byte-level contract, against a caller whose library functions the test
// scripts; and the stand-in job API library's own contract, driven through the wrappers as the
// add-in drives the real one.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "doubles/office_fixture.h"
#include "doubles/raised_error.h"
#include "jobapi/vatner_api.h"
#include "sim/jobapi/job_api_logic.h"
#include "support/error.h"
#include "support/language.h"

namespace orvan::testing {
namespace {

using Args = ScriptedCaller::Args;
using Boxes = std::vector<ShownMessageBox>;

class VatnerApiTest : public PlatformTest {
 protected:
  VatnerApiTest() {
    auto caller = std::make_unique<ScriptedCaller>();
    lib_ = caller.get();
    InstallJobApiCaller(std::move(caller));
  }
  ~VatnerApiTest() override { InstallJobApiCaller(nullptr); }
  void Returns(const std::string& function, std::int32_t result) {
    lib_->functions[function] = [result](Args) { return result; };
  }

  ScriptedCaller* lib_;
};

// A read offers the caller's buffer with its NUL and returns what the library wrote up to its
// first NUL, or the buffer unchanged (text going out as ANSI: the bad inputs' titles).
TEST_F(VatnerApiTest, AReadOffersTheBufferWithItsNulAndReturnsItUpToTheFirstNul) {
  std::vector<std::string> seen;
  lib_->functions["OrvanPdfVtJobGetPropertyA"] = [&](Args a) {
    seen = {std::to_string(a[0]), Text(a[1]), std::to_string(a[3]),
            std::to_string(std::strlen(Text(a[2])) + 1)};
    if (std::strcmp(Text(a[1]), "Title") == 0) std::strcpy(Text(a[2]), "abc");
    return 1;
  };
  std::string value(1024, ' ');
  EXPECT_EQ(OrvanPdfVtJobGetPropertyVal(5, "Title", value, 1024, false), 1);
  EXPECT_EQ(value, "abc");
  EXPECT_EQ(seen, (std::vector<std::string>{"5", "Title", "1024", "1025"}));
  value.assign(1024, ' ');
  OrvanPdfVtJobGetPropertyVal(5, "Subject", value, 1024, false);
  EXPECT_EQ(value, std::string(1024, ' '));
}

// Every wrapper hands the export's result back and reports exactly a result of 0, unless quiet,
// under its own name (the property wrappers' names end in "Val", not in the export's "A").
TEST_F(VatnerApiTest, EachWrapperReportsExactlyAResultOf0UnderItsOwnName) {
  std::int32_t handle = 4, number = 0;
  std::string text(1024, ' ');
  const std::pair<const char*, std::function<std::int32_t(bool quiet)>> wrappers[] = {
      {"OrvanPdfVtJobCreate", [&](bool q) { return OrvanPdfVtJobCreate(handle, -1, q); }},
      {"OrvanPdfVtJobFree", [&](bool q) { return OrvanPdfVtJobFree(handle, q); }},
      {"OrvanPdfVtJobSetPropertyA",
       [&](bool q) { return OrvanPdfVtJobSetPropertyVal(4, "T", "x", q); }},
      {"OrvanPdfVtJobGetPropertyA",
       [&](bool q) { return OrvanPdfVtJobGetPropertyVal(4, "T", text, 1024, q); }},
      {"OrvanPdfVtJobInitDevModeProperty",
       [&](bool q) { return OrvanPdfVtJobInitDevModeProperty(4, 1, number, q); }},
      {"OrvanPdfVtJobShowDevModeProperty",
       [&](bool q) { return OrvanPdfVtJobShowDevModeProperty(4, number, q); }},
      {"OrvanPdfVtJobSaveDevModeProperty",
       [&](bool q) { return OrvanPdfVtJobSaveDevModeProperty(4, 4, q); }},
  };
  lib_->functions["OrvanPdfVtJobGetError"] = [](Args a) { return Int(a[1]) = 7, 1; };
  lib_->functions["OrvanPdfVtJobGetErrorTextA"] = [](Args a) {
    std::strcpy(Text(a[1]), "kaputt");
    return 1;
  };
  for (const auto& [export_name, call] : wrappers) {
    std::string title = export_name;
    if (title.ends_with("PropertyA")) title.replace(title.size() - 1, 1, "Val");
    for (const std::int32_t result : {0, 1, 2, -1}) {
      Returns(export_name, result);
      for (const bool quiet : {false, true}) {
        fakes_.ui.boxes.clear();
        EXPECT_EQ(call(quiet), result) << title;
        Boxes expected;
        if (result == 0 && !quiet) expected.push_back({"Fehler 7: kaputt", title, 48});
        EXPECT_EQ(fakes_.ui.boxes, expected) << title << " result " << result;
      }
    }
  }
}

// The error number's variable is cleared before every call (its low 16 bits and a report without
// a number are the bad inputs' error boxes).
TEST_F(VatnerApiTest, TheErrorNumbersVariableIsClearedBeforeEveryCall) {
  std::vector<std::int32_t> found_in_variable;
  lib_->functions["OrvanPdfVtJobGetError"] = [&](Args a) {
    found_in_variable.push_back(Int(a[1]));
    return Int(a[1]) = 0x18000, 1;
  };
  EXPECT_EQ(GetJobErrorCode(3), -32768);
  EXPECT_EQ(GetJobErrorCode(3), -32768);
  EXPECT_EQ(found_in_variable, std::vector<std::int32_t>(2, 0));
}

// Whatever goes wrong inside the report is shown as a run-time error and goes no further.
TEST_F(VatnerApiTest, ARunTimeErrorInsideTheReportIsShownItself) {
  std::int32_t job = 4;
  for (const bool basic : {true, false}) {
    lib_->functions["OrvanPdfVtJobGetError"] = [basic](Args) -> std::int32_t {
      if (basic) throw VbError::Runtime(vberr::kTypeMismatch);
      throw std::runtime_error("x");
    };
    OrvanPdfVtJobFree(job, false);
  }
  EXPECT_EQ(fakes_.ui.boxes,
            (Boxes{{"Error 13 occured in Sub CheckResult().", "Orvan pdf Vatner COM Add-In", 48},
                   {"Error 51 occured in Sub CheckResult().", "Orvan pdf Vatner COM Add-In", 48}}));
}

// A job handle written by a failed creation is freed all the same; -1 is not.
TEST_F(VatnerApiTest, TheLanguageQueryFreesAnyJobItsCreationWrote) {
  std::vector<std::int32_t> freed;
  lib_->functions["OrvanPdfVtJobFree"] = [&freed](Args a) { return freed.push_back(Int(a[0])), 1; };
  for (const std::int32_t written : {0, -1}) {
    lib_->functions["OrvanPdfVtJobCreate"] = [written](Args a) { return Int(a[0]) = written, 0; };
    EXPECT_EQ(ErrorNumberOf([] { GetLanguageId(); }), vberr::kTypeMismatch);
  }
  EXPECT_EQ(freed, std::vector<std::int32_t>{0});
}

TEST_F(VatnerApiTest, LoadingReadsThePrinterNameThroughTheOfferedBuffer) {
  PdfPrinterName() = "before";
  EXPECT_FALSE(LoadVatnerAPI("missing.dll"));
  EXPECT_EQ(PdfPrinterName(), "before");

  std::string offered;
  lib_->functions["OrvanPdfVtAPIGetFirstPrinterA"] = [&offered](Args a) {
    offered.assign(Text(a[0]), 1032);
    std::strcpy(Text(a[0]), "Orvan pdf vatner (Netz)");
    return a[1] == 1024 ? 1 : 0;
  };
  EXPECT_TRUE(LoadVatnerAPI("C:\\Orvan\\OrvanpdfVtAPI.dll"));
  EXPECT_EQ(PdfPrinterName(), "Orvan pdf vatner (Netz)");
  EXPECT_EQ(offered, std::string("Orvan pdf vatner\0", 17) + std::string(1014, ' ') + '\0');

  Returns("OrvanPdfVtAPIGetFirstPrinterA", 0);
  EXPECT_FALSE(LoadVatnerAPI("C:\\Orvan\\OrvanpdfVtAPI.dll"));
  EXPECT_EQ(PdfPrinterName(), "Orvan pdf vatner");
  EXPECT_TRUE(fakes_.ui.boxes.empty());
}

using StandInJobApiTest = OfficeTest;

// Calls against the contract fail: another argument count (more arguments would unbalance a
// 32-bit stdcall call) or a value the contract fixes. Text is written to the whole size named,
// so that a size larger than the buffer offered shows under AddressSanitizer.
TEST_F(StandInJobApiTest, CallsAgainstTheContractFailAndTextFillsTheNamedSize) {
  const auto a = [](const void* p) { return reinterpret_cast<std::intptr_t>(p); };
  std::int32_t handle = -1;
  char offered[] = "abc";
  // The export, the arguments, its call as logged.
  const std::tuple<const char*, std::vector<std::intptr_t>, std::string> cases[] = {
      {"OrvanPdfVtJobCreate", {a(&handle), 0}, "OrvanPdfVtJobCreate(0) = 0"},
      {"OrvanPdfVtJobCreate",
       {a(&handle), -1, 0},
       "OrvanPdfVtJobCreate(?) = 0 called with 3 arguments, takes 2"},
      {"OrvanPdfVtJobFree", {}, "OrvanPdfVtJobFree(?) = 0 called with 0 arguments, takes 1"},
      {"OrvanPdfVtJobGetErrorTextA", {-1, a(offered), 4}, "OrvanPdfVtJobGetErrorTextA(-1, 4) = 0"},
      {"OrvanPdfVtAPIGetFirstPrinterA",
       {a(offered), 4},
       "OrvanPdfVtAPIGetFirstPrinterA(\"abc\", 4) = 0"},
  };
  for (const auto& [name, arguments, log] : cases) {
    EXPECT_EQ(sim::CallExport(api_, name, arguments), 0) << log;
    EXPECT_EQ(api_.log.back(), log);
  }
  EXPECT_EQ(handle, -1);
  EXPECT_STREQ(offered, "abc");

  std::int32_t job = -1;
  EXPECT_EQ(OrvanPdfVtJobCreate(job, -1, false), 1);
  EXPECT_EQ(OrvanPdfVtJobSetPropertyVal(job, "PrinterName", PdfPrinterName(), false), 1);
  std::string buffer(16, 'x');
  EXPECT_EQ(sim::CallExport(api_, "OrvanPdfVtJobGetPropertyA",
                            std::vector<std::intptr_t>{job, a("LanguageID"), a(buffer.data()), 8}),
            1);
  EXPECT_EQ(buffer, std::string("1031\0\0\0\0xxxxxxxx", 16));
}

}  // namespace
}  // namespace orvan::testing
