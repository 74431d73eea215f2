// The caller's life cycle: which library it holds, what a failed lookup shows, and that a
// resolved function serves one call. (Its library freed with the add-in's per-thread state:
// unload_win32_test.)
#include <gtest/gtest.h>

#include "doubles/office_fixture.h"
#include "jobapi/func_call.h"
#include "support/trace.h"

namespace orvan::testing {
namespace {

class FuncCallTest : public PlatformTest {
 protected:
  FuncCallTest() {
    fakes_.native_code.libraries["C:\\Orvan\\OrvanpdfVtAPI.dll"] = {"OrvanPdfVtJobCreate",
                                                                    "OrvanPdfVtJobFree"};
    fakes_.native_code.libraries["other.dll"] = {};
  }
};

TEST_F(FuncCallTest, ReplacingTheLibraryFreesTheOneHeldBeforeEvenForAFailingLoad) {
  fakes_.environment.Set(kTraceVariable, "trace.log");
  {
    cFuncCall caller;
    EXPECT_FALSE(caller.LibraryLoaded());
    caller.LibraryName("C:\\Orvan\\OrvanpdfVtAPI.dll");
    EXPECT_TRUE(caller.LibraryLoaded());
    caller.LibraryName("C:\\Orvan\\OrvanpdfVtAPI.dll");  // the same name: freed and loaded again
    EXPECT_EQ(fakes_.native_code.frees, 1);
    caller.LibraryName("missing.dll");
    EXPECT_FALSE(caller.LibraryLoaded());
    EXPECT_TRUE(fakes_.native_code.loaded.empty());
    caller.LibraryName("other.dll");
  }
  EXPECT_TRUE(fakes_.native_code.loaded.empty()) << "the instance's end frees its library";
  EXPECT_EQ(fakes_.native_code.frees, 3);
  EXPECT_TRUE(fakes_.ui.boxes.empty());
  // Only the failed load is traced, without a blank after the colon.
  EXPECT_EQ(fakes_.files.kept["trace.log"],
            "04.12.2026 23:05:12,25: Can not find library :missing.dll\r\n");
}

TEST_F(FuncCallTest, AMissingFunctionShowsOneBoxPerAssignmentAndLeavesCallsWithoutEffect) {
  cFuncCall caller;
  caller.LibraryName("C:\\Orvan\\OrvanpdfVtAPI.dll");
  caller.FunctionName("OrvanPdfVtJobGone");
  EXPECT_EQ(fakes_.ui.boxes,
            (std::vector<ShownMessageBox>{
                {"Function OrvanPdfVtJobGone nicht gefunden!", "Orvan pdf vatner Add-In", 16}}));
  const std::intptr_t args[] = {1, 2};
  EXPECT_EQ(caller.CallFunction(args), 0);
  EXPECT_TRUE(fakes_.native_code.runs.empty());
  caller.FunctionName("OrvanPdfVtJobGone");
  EXPECT_EQ(fakes_.ui.boxes.size(), 2u);

  // Without a library every lookup fails the same way.
  cFuncCall unloaded;
  unloaded.FunctionName("OrvanPdfVtJobCreate");
  EXPECT_EQ(fakes_.ui.boxes.size(), 3u);
}

TEST_F(FuncCallTest, AResolvedFunctionServesExactlyOneCall) {
  cFuncCall caller(cFuncCall::Architecture::kX86);
  caller.LibraryName("C:\\Orvan\\OrvanpdfVtAPI.dll");
  caller.FunctionName("OrvanPdfVtJobFree");
  const std::intptr_t args[] = {0x1234};
  EXPECT_EQ(caller.CallFunction(args), 1);
  EXPECT_EQ(caller.CallFunction(args), 0);
  ASSERT_EQ(fakes_.native_code.runs.size(), 1u);
  // The 32-bit code was written for the address it runs at: 16 bytes into the page.
  const auto& run = fakes_.native_code.runs[0];
  EXPECT_EQ(run.start, run.address + 16);
  EXPECT_EQ(run.code[16 + 6], 0x68);
  EXPECT_EQ(run.code[16 + 7], 0x34);

  // Call type 1 (cdecl) adds a pop per argument after the call.
  caller.CallType(1);
  caller.FunctionName("OrvanPdfVtJobCreate");
  const std::intptr_t two[] = {7, -1};
  caller.CallFunction(two);
  const auto& code = fakes_.native_code.runs.at(1).code;
  const std::size_t after_call = 16 + 6 + 10 + 5;
  EXPECT_EQ(std::vector<std::uint8_t>(code.begin() + after_call, code.begin() + after_call + 3),
            (std::vector<std::uint8_t>{0x59, 0x59, 0xC3}));
}

}  // namespace
}  // namespace orvan::testing
