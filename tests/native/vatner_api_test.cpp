// The job API wrappers' byte-level contract, against a caller whose library functions the test
// scripts (their behaviour against a whole library is tested with the stand-in).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <utility>

#include "doubles/fake_platform.h"
#include "jobapi/func_call.h"
#include "jobapi/vatner_api.h"
#include "support/error.h"

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

}  // namespace
}  // namespace orvan::testing
