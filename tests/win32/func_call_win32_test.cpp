// The caller for real: a library loaded by path, its exports resolved and called through code
// generated into executable pages and run by CallWindowProcA.
#include <gtest/gtest.h>

#include <vector>

#include "jobapi/func_call.h"
#include "platform/win32/win32.h"

namespace orvan::testing {
namespace {

class FuncCallWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    caller_.LibraryName(ORVAN_CALLEE_DLL_PATH);
    ASSERT_TRUE(caller_.LibraryLoaded()) << ORVAN_CALLEE_DLL_PATH;
  }

  std::int32_t Call(const char* function, const std::vector<std::intptr_t>& args) {
    caller_.FunctionName(function);
    return caller_.CallFunction(args);
  }

  cFuncCall caller_;
};

// An exception raised in the called function reaches a handler beyond the call code, whose
// frame the host can unwind (without its unwind information the process ends here); meanwhile
// the code's pages are executable and not writable.
TEST_F(FuncCallWin32, ExceptionsUnwindThroughTheCallCodeWhosePagesAreNotWritable) {
  EXPECT_EQ(Call("CallerProtection", {}), PAGE_EXECUTE_READ);
  for (const std::size_t n : {1u, 12u}) {  // frames of different sizes
    std::vector<std::intptr_t> args(n, 0);
    args[0] = 42;
    int thrown = 0;
    try {
      Call("ThrowValue", args);
    } catch (int value) {
      thrown = value;
    }
    EXPECT_EQ(thrown, 42) << n << " arguments";
  }
}

// Loading another library frees the one held before, also when the new one cannot be loaded
// (what a missing export shows is the same on every platform).
TEST_F(FuncCallWin32, AFailedLoadUnloadsTheLibraryHeldBefore) {
  caller_.LibraryName("Z:\\no\\such\\library.dll");
  EXPECT_FALSE(caller_.LibraryLoaded());
  EXPECT_EQ(GetModuleHandleA("orvan_test_callee.dll"), nullptr);
}

}  // namespace
}  // namespace orvan::testing
