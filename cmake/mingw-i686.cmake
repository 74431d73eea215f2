# The 32-bit add-in for 32-bit Office and its Windows test programs.
set(ORVAN_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
