# The 32-bit add-in: built and statically checked, never run on these machines.
set(ORVAN_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
