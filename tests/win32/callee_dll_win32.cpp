// A small library for the caller's tests: functions that raise exceptions or look at the
// caller's pages. (Argument passing and results are checked on the generated code in an
// emulator, and through the stand-in job API library under Wine.)
#include <cstdint>

#include "platform/win32/win32.h"

extern "C" {

// Throws a C++ exception carrying value, for a handler beyond the caller's call code. Windows
// dispatches it as a structured exception: frame-based handlers are searched, and the frames
// between are unwound, through the call code's frame.
__declspec(dllexport) std::int32_t WINAPI ThrowValue(std::intptr_t value) {
  throw static_cast<int>(value);
}

// The protection of the pages the caller (the call code) runs from, read while it runs.
__declspec(dllexport) std::int32_t WINAPI CallerProtection() {
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(__builtin_return_address(0), &info, sizeof info) == 0) return 0;
  return static_cast<std::int32_t>(info.Protect);
}

}  // extern "C"
