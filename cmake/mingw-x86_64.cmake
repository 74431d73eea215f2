# The 64-bit add-in and the Windows test programs.
set(ORVAN_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Windows test programs run under the project's Wine wrapper (private prefix, quiet debug).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
