// The job API wrappers' byte-level contract, against a caller whose library functions the test
// scripts (their behaviour against a whole library is tested with the stand-in).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

#include "doubles/fake_platform.h"
#include "doubles/raised_error.h"
#include "jobapi/func_call.h"
#include "jobapi/vatner_api.h"
#include "support/error.h"
#include "support/language.h"

namespace orvan::testing {
namespace {

using Args = std::span<const std::intptr_t>;

// Library functions by export name, called with the arguments the wrappers pass.
class ScriptedCaller final : public FunctionCaller {
 public:
  void LibraryName(const std::string& name) override { loaded_ = name != "missing.dll"; }
  bool LibraryLoaded() const override { return loaded_; }
  void FunctionName(const std::string& name) override {
    resolved_ = functions.count(name) ? name : "";
  }
  void CallType(std::int32_t) override {}
  std::int32_t CallFunction(Args args) override {
    const std::string f = std::exchange(resolved_, "");
    return f.empty() ? 0 : functions[f](args);
  }

  std::map<std::string, std::function<std::int32_t(Args)>> functions;

 private:
  bool loaded_ = false;
  std::string resolved_;
};

char* Text(std::intptr_t address) {
  return reinterpret_cast<char*>(address);
}

class VatnerApiTest : public ::testing::Test {
 protected:
  VatnerApiTest() {
    auto caller = std::make_unique<ScriptedCaller>();
    lib_ = caller.get();
    InstallJobApiCaller(std::move(caller));
  }
  ~VatnerApiTest() override { InstallJobApiCaller(nullptr); }

  void Fail(const std::string& function) {
    lib_->functions[function] = [](Args) { return 0; };
  }

  FakePlatform fakes_;
  ScriptedCaller* lib_;
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

// Every wrapper hands the export's result back and reports exactly a result of 0, unless quiet,
// under its own name (the property wrappers' names end in "Val", not in the export's "A").
TEST_F(VatnerApiTest, EachWrapperReportsExactlyAResultOf0UnderItsOwnName) {
  struct Wrapper {
    const char* export_name;
    const char* title;
    std::function<std::int32_t(bool quiet)> call;
  };
  std::int32_t handle = 4, number = 0;
  std::string text(1024, ' ');
  const Wrapper wrappers[] = {
      {"OrvanPdfVtJobCreate", "OrvanPdfVtJobCreate",
       [&](bool q) { return OrvanPdfVtJobCreate(handle, -1, q); }},
      {"OrvanPdfVtJobFree", "OrvanPdfVtJobFree",
       [&](bool q) { return OrvanPdfVtJobFree(handle, q); }},
      {"OrvanPdfVtJobSetPropertyA", "OrvanPdfVtJobSetPropertyVal",
       [&](bool q) { return OrvanPdfVtJobSetPropertyVal(4, "Title", "x", q); }},
      {"OrvanPdfVtJobGetPropertyA", "OrvanPdfVtJobGetPropertyVal",
       [&](bool q) { return OrvanPdfVtJobGetPropertyVal(4, "Title", text, 1024, q); }},
      {"OrvanPdfVtJobInitDevModeProperty", "OrvanPdfVtJobInitDevModeProperty",
       [&](bool q) { return OrvanPdfVtJobInitDevModeProperty(4, 1, number, q); }},
      {"OrvanPdfVtJobShowDevModeProperty", "OrvanPdfVtJobShowDevModeProperty",
       [&](bool q) { return OrvanPdfVtJobShowDevModeProperty(4, number, q); }},
      {"OrvanPdfVtJobSaveDevModeProperty", "OrvanPdfVtJobSaveDevModeProperty",
       [&](bool q) { return OrvanPdfVtJobSaveDevModeProperty(4, 4, q); }},
  };
  lib_->functions["OrvanPdfVtJobGetError"] = [](Args a) {
    *reinterpret_cast<std::int32_t*>(a[1]) = 7;
    return 1;
  };
  lib_->functions["OrvanPdfVtJobGetErrorTextA"] = [](Args a) {
    std::strcpy(Text(a[1]), "kaputt");
    return 1;
  };
  for (const Wrapper& w : wrappers) {
    for (const std::int32_t result : {0, 1, 2, -1}) {
      lib_->functions[w.export_name] = [result](Args) { return result; };
      for (const bool quiet : {false, true}) {
        fakes_.ui.boxes.clear();
        EXPECT_EQ(w.call(quiet), result) << w.title;
        std::vector<ShownMessageBox> expected;
        if (result == 0 && !quiet) expected.push_back({"Fehler 7: kaputt", w.title, 48});
        EXPECT_EQ(fakes_.ui.boxes, expected) << w.title << " result " << result;
      }
    }
  }
}

// The error number's variable is cleared before every call and only its low 16 bits count.
TEST_F(VatnerApiTest, TheErrorNumberIsTheLow16BitsOfAClearedVariable) {
  struct Case {
    std::int32_t written;
    std::int32_t number;
  };
  const Case cases[] = {{0x1FFFF, -1}, {0x18000, -32768}, {0x7FFF, 32767}, {512, 512}};
  std::vector<std::int32_t> found_in_variable;
  std::int32_t written = 0;
  bool write = true;
  lib_->functions["OrvanPdfVtJobGetError"] = [&](Args a) {
    auto* variable = reinterpret_cast<std::int32_t*>(a[1]);
    found_in_variable.push_back(*variable);
    if (write) *variable = written;
    return 1;
  };
  Fail("OrvanPdfVtJobGetErrorTextA");
  Fail("OrvanPdfVtJobSaveDevModeProperty");
  for (const Case& c : cases) {
    written = c.written;
    EXPECT_EQ(GetJobErrorCode(3), c.number) << c.written;
    fakes_.ui.boxes.clear();
    OrvanPdfVtJobSaveDevModeProperty(3, 4, false);
    ASSERT_EQ(fakes_.ui.boxes.size(), 1u);
    EXPECT_EQ(fakes_.ui.boxes[0].text,
              "Fehler " + std::to_string(c.number) + ": Fehlertext konnte nicht ermittelt werden");
  }
  // A library that reports success without writing leaves the cleared 0.
  write = false;
  EXPECT_EQ(GetJobErrorCode(3), 0);
  EXPECT_EQ(found_in_variable, std::vector<std::int32_t>(2 * std::size(cases) + 1, 0));
  // Without an error number the report says so, as a critical box.
  Fail("OrvanPdfVtJobGetError");
  EXPECT_EQ(GetJobErrorCode(3), 0);
  fakes_.ui.boxes.clear();
  OrvanPdfVtJobSaveDevModeProperty(3, 4, false);
  EXPECT_EQ(fakes_.ui.boxes,
            (std::vector<ShownMessageBox>{{"Fehler konnte nicht ermittelt werden",
                                           "Fehler in OrvanPdfVtJobSaveDevModeProperty", 16}}));
}

// Whatever goes wrong inside the report is shown as a run-time error and goes no further.
TEST_F(VatnerApiTest, ARunTimeErrorInsideTheReportIsShownItself) {
  Fail("OrvanPdfVtJobFree");
  std::function<void()> raise = [] { throw VbError::Runtime(vberr::kTypeMismatch); };
  lib_->functions["OrvanPdfVtJobGetError"] = [&raise](Args) -> std::int32_t {
    raise();
    return 1;
  };
  std::int32_t job = 4;
  OrvanPdfVtJobFree(job, false);
  raise = [] { throw std::bad_alloc(); };
  OrvanPdfVtJobFree(job, false);
  raise = [] { throw std::runtime_error("x"); };
  OrvanPdfVtJobFree(job, false);
  const std::vector<ShownMessageBox> expected = {
      {"Error 13 occured in Sub CheckResult().", "Orvan pdf Vatner COM Add-In", 48},
      {"Error 7 occured in Sub CheckResult().", "Orvan pdf Vatner COM Add-In", 48},
      {"Error 51 occured in Sub CheckResult().", "Orvan pdf Vatner COM Add-In", 48},
  };
  EXPECT_EQ(fakes_.ui.boxes, expected);
}

// A job handle written by a failed creation is freed all the same; -1 is not.
TEST_F(VatnerApiTest, TheLanguageQueryFreesAnyJobItsCreationWrote) {
  std::vector<std::int32_t> freed;
  lib_->functions["OrvanPdfVtJobFree"] = [&freed](Args a) {
    freed.push_back(*reinterpret_cast<std::int32_t*>(a[0]));
    return 1;
  };
  for (const std::int32_t written : {0, -1}) {
    lib_->functions["OrvanPdfVtJobCreate"] = [written](Args a) {
      *reinterpret_cast<std::int32_t*>(a[0]) = written;
      return 0;
    };
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

}  // namespace
}  // namespace orvan::testing
