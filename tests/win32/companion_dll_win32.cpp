// Libraries for the loader test: a companion that answers its build's number, and a library
// that imports the companion and hands its answer on.
#include <cstdint>

extern "C" {
#if defined(ORVAN_COMPANION_USER)
__declspec(dllimport) std::int32_t CompanionNumber();
__declspec(dllexport) std::int32_t NumberOfTheCompanion() {
  return CompanionNumber();
}
#else
__declspec(dllexport) std::int32_t CompanionNumber() {
  return ORVAN_COMPANION_NUMBER;
}
#endif
}
