// The stand-in job API library, driven through the product's job API wrappers as the add-in
// drives the real one.
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "sim/jobapi/job_api_logic.h"

namespace orvan::testing {
namespace {

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
