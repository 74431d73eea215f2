# The 64-bit add-in for 64-bit Office and its Windows test programs.
set(ORVAN_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
