// The caller for real: a library loaded by path, its exports resolved and called through code
// generated into executable pages and run by CallWindowProcA.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "jobapi/func_call.h"
#include "platform/win32/win32.h"

namespace orvan::testing {
namespace {

// A code of the test's own (customer bit set) and the result its handler gives the raiser.
constexpr DWORD kContinuableCode = 0xE04F5201;
constexpr std::int32_t kHandlerAnswer = 42;

EXCEPTION_DISPOSITION NTAPI ContinueWithAnswer(EXCEPTION_RECORD* record, void*, CONTEXT*, void*) {
  if (record->ExceptionCode != kContinuableCode || record->NumberParameters != 1)
    return ExceptionContinueSearch;
  *reinterpret_cast<std::int32_t*>(record->ExceptionInformation[0]) = kHandlerAnswer;
  return ExceptionContinueExecution;
}

// Runs body in a frame whose frame-based handler is ContinueWithAnswer, installed as each
// bitness finds such handlers: on i386 a record on the stack linked in at fs:[0]; on x64 the
// handler named in this function's own unwind information.
using Body = std::int32_t (*)(void* context);
[[gnu::noinline]] std::int32_t RunBeyondAHandler(Body body, void* context) {
#if defined(_WIN64)
  asm volatile(".seh_handler %c0, @except" : : "i"(&ContinueWithAnswer));
  const volatile std::int32_t result = body(context);  // a call, not a jump: the frame stays
  return result;
#else
  EXCEPTION_REGISTRATION_RECORD record{};
  record.Handler = &ContinueWithAnswer;
  asm volatile("movl %%fs:0, %0" : "=r"(record.Next));
  asm volatile("movl %0, %%fs:0" : : "r"(&record) : "memory");
  const std::int32_t result = body(context);
  asm volatile("movl %0, %%fs:0" : : "r"(record.Next) : "memory");
  return result;
#endif
}

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

// A structured exception raised in the called function (what a foreign C library raises)
// reaches a frame-based handler beyond the call code, which continues execution, so the call
// returns what the handler gave the callee. On x64 the dispatcher walks through the code's frame
// by its registered function table; without it the handler is not found. Meanwhile the code's
// pages are executable and not writable.
TEST_F(FuncCallWin32, HandlersBeyondTheCallCodeSeeWhatTheCalleeRaisesWhilePagesAreNotWritable) {
  EXPECT_EQ(Call("CallerProtection", {}), PAGE_EXECUTE_READ);
  caller_.CallType(1);  // cdecl: the code removes the arguments the callee does not take
  for (const std::size_t n : {1u, 12u}) {  // frames of different sizes
    std::vector<std::intptr_t> args(n, 0);
    args[0] = static_cast<std::intptr_t>(kContinuableCode);
    std::function<std::int32_t()> call = [&] { return Call("RaiseContinuable", args); };
    EXPECT_EQ(
        RunBeyondAHandler([](void* c) { return (*static_cast<decltype(call)*>(c))(); }, &call),
        kHandlerAnswer)
        << n << " arguments";
#if defined(_WIN64)
    // A handler beyond that unwinds: the frames between, the code's among them, are unwound.
    int thrown = 0;
    try {
      Call("ThrowValue", args);
    } catch (int value) {
      thrown = value;
    }
    EXPECT_EQ(thrown, static_cast<int>(kContinuableCode)) << n << " arguments";
#endif
  }
}

// A call made while another runs (the library calling back into the caller, which calls again)
// runs from pages of its own: the outer call's code is still there when the inner one returns.
TEST_F(FuncCallWin32, ACallMadeWhileAnotherRunsLeavesTheOuterCallsCodeAlone) {
  static cFuncCall* inner = nullptr;
  cFuncCall nested;
  nested.LibraryName(ORVAN_CALLEE_DLL_PATH);
  inner = &nested;
  const auto callback = +[](std::int32_t value) -> std::int32_t {
    inner->FunctionName("CallerProtection");
    return inner->CallFunction({}) == PAGE_EXECUTE_READ ? value * 2 : -1;
  };
  EXPECT_EQ(Call("CallsBack", {reinterpret_cast<std::intptr_t>(callback), 20}), 41);
}

// A library named by its full path gets its companion library from its own folder, not the one
// of the same name in the current directory (often the document's folder).
TEST_F(FuncCallWin32, ALibrarysCompanionComesFromItsFolderNotTheCurrentDirectory) {
  char former[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, former), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(ORVAN_COMPANION_DIR "\\planted"));
  caller_.LibraryName(ORVAN_COMPANION_DIR "\\beside\\orvan_test_companion_user.dll");
  SetCurrentDirectoryA(former);
  ASSERT_TRUE(caller_.LibraryLoaded());
  EXPECT_EQ(Call("NumberOfTheCompanion", {}), 1);
}

}  // namespace
}  // namespace orvan::testing
