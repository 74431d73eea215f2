// A small library for the caller's tests: functions of 0 to 12 pointer-sized arguments that
// record what they received and return a value made from it, and functions that raise
// exceptions or look at the caller's pages.
#include <cstdint>

#include "platform/win32/win32.h"

extern "C" {

__declspec(dllexport) std::intptr_t g_received[13];
__declspec(dllexport) int g_received_count = -1;

namespace {
std::int32_t Record(int n, const std::intptr_t* args) {
  g_received_count = n;
  std::int32_t sum = 0;
  for (int i = 0; i < n; ++i) {
    g_received[i] = args[i];
    sum += static_cast<std::int32_t>(args[i]) * (i + 1);
  }
  return 1000000 + sum;
}
}  // namespace

__declspec(dllexport) std::int32_t WINAPI Take0() {
  return Record(0, nullptr);
}

__declspec(dllexport) std::int32_t WINAPI Take1(std::intptr_t a) {
  const std::intptr_t args[] = {a};
  return Record(1, args);
}

__declspec(dllexport) std::int32_t WINAPI
    Take4(std::intptr_t a, std::intptr_t b, std::intptr_t c, std::intptr_t d) {
  const std::intptr_t args[] = {a, b, c, d};
  return Record(4, args);
}

__declspec(dllexport) std::int32_t WINAPI
    Take5(std::intptr_t a, std::intptr_t b, std::intptr_t c, std::intptr_t d, std::intptr_t e) {
  const std::intptr_t args[] = {a, b, c, d, e};
  return Record(5, args);
}

__declspec(dllexport) std::int32_t WINAPI
    Take12(std::intptr_t a1, std::intptr_t a2, std::intptr_t a3, std::intptr_t a4, std::intptr_t a5,
           std::intptr_t a6, std::intptr_t a7, std::intptr_t a8, std::intptr_t a9,
           std::intptr_t a10, std::intptr_t a11, std::intptr_t a12) {
  const std::intptr_t args[] = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12};
  return Record(12, args);
}

// Writes through an out-parameter, as the job API writes a new job's handle.
__declspec(dllexport) std::int32_t WINAPI WriteHandle(std::int32_t* handle, std::int32_t value) {
  *handle = value + 41;
  return 1;
}

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
