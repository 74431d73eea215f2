# Static checks of a built Windows binary, run as a test:
#   cmake -DOBJDUMP=... -DFILE=... -DFORMAT=pei-i386|pei-x86-64 [-DEXPORTS=a;b]
#         [-DRESOURCE_TYPES=A;B] -P check_pe.cmake
# It must have the expected PE format, import only Windows system DLLs, export the named entry
# points under their plain names and hold resources of the named (not numbered) types.
set(allowed
  kernel32.dll user32.dll gdi32.dll advapi32.dll ole32.dll oleaut32.dll olepro32.dll
  comctl32.dll winspool.drv shell32.dll shlwapi.dll version.dll msvcrt.dll comdlg32.dll)

execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump could not read ${FILE}")
endif()

string(REGEX MATCH "file format ([a-z0-9-]+)" _ "${dump}")
if(NOT CMAKE_MATCH_1 STREQUAL FORMAT)
  message(FATAL_ERROR "${FILE}: format is '${CMAKE_MATCH_1}', expected '${FORMAT}'")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
set(bad "")
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" name "${line}")
  string(STRIP "${name}" name)
  string(TOLOWER "${name}" lower)
  list(FIND allowed "${lower}" found)
  if(found EQUAL -1)
    list(APPEND bad "${name}")
  endif()
endforeach()
if(bad)
  message(FATAL_ERROR "${FILE} imports non-system DLLs: ${bad}")
endif()

foreach(export IN LISTS EXPORTS)
  if(NOT dump MATCHES "\\] ${export}\n")
    message(FATAL_ERROR "${FILE} does not export '${export}' under its plain name")
  endif()
endforeach()

# A named resource type is stored as its UTF-16 name in the resource directory.
if(RESOURCE_TYPES)
  file(STRINGS ${FILE} names ENCODING UTF-16LE REGEX "^[A-Z_]+$")
  foreach(type IN LISTS RESOURCE_TYPES)
    list(FIND names "${type}" found)
    if(found EQUAL -1)
      message(FATAL_ERROR "${FILE} holds no resource of type ${type}")
    endif()
  endforeach()
endif()

list(LENGTH imports count)
message(STATUS "${FILE}: ${FORMAT}, ${count} system imports, exports ok")
