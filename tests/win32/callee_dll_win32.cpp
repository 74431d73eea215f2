// A small library for the caller's tests: functions that raise exceptions or look at the
// caller's pages. (Argument passing and results are checked on the generated code in an
// emulator, and through the stand-in job API library under Wine.)
#include <cstdint>

#include "platform/win32/win32.h"

extern "C" {

// Raises a continuable structured exception with code, as a foreign C library may, passing the
// address of its result as the one parameter: a handler that continues execution sets the
// result, which is returned. cdecl, so that a caller may pass more arguments and remove them.
__declspec(dllexport) std::int32_t RaiseContinuable(std::intptr_t code) {
  volatile std::int32_t result = 0;
  const ULONG_PTR parameter = reinterpret_cast<ULONG_PTR>(&result);
  RaiseException(static_cast<DWORD>(code), 0, 1, &parameter);
  return result;
}

// Throws a C++ exception carrying value. On x64 it is a structured exception whose handler beyond
// the caller unwinds the frames between, the call code's among them.
__declspec(dllexport) std::int32_t ThrowValue(std::intptr_t value) {
  throw static_cast<int>(value);
}

// The protection of the pages the caller (the call code) runs from, read while it runs.
__declspec(dllexport) std::int32_t WINAPI CallerProtection() {
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(__builtin_return_address(0), &info, sizeof info) == 0) return 0;
  return static_cast<std::int32_t>(info.Protect);
}

// Calls back into the caller with value and returns its answer plus one: a library that calls
// its caller back while the caller's call is still running.
__declspec(dllexport) std::int32_t WINAPI CallsBack(std::intptr_t callback, std::intptr_t value) {
  return reinterpret_cast<std::int32_t (*)(std::int32_t)>(callback)(
             static_cast<std::int32_t>(value)) +
         1;
}

}  // extern "C"
