# IDL compiled with the mingw-w64 widl of the target:
#   orvan_widl(<idl> <output> [DEPENDS files...] [LIBRARY_DIRS dirs...])
# The output's name chooses what widl writes: *.tlb a type library, *_i.c the GUID definitions,
# *.h the C/C++ header. The IDL's own folder and sim/typelib are on the include path, after the
# system IDL files (oaidl.idl and the rest, from Wine's development headers); importlib finds
# OLE Automation's stdole2.tlb in Wine's Windows libraries and other type libraries in
# LIBRARY_DIRS.
include_guard(GLOBAL)

find_program(ORVAN_WIDL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-widl widl REQUIRED)
find_path(ORVAN_SYSTEM_IDL_DIR oaidl.idl
  PATHS /usr/include/wine/wine/windows /usr/include/wine/windows
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(ORVAN_STDOLE2_DIR stdole2.tlb
  PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows
        /usr/lib/wine/x86_64-windows /usr/lib/wine/i386-windows "$ENV{SystemRoot}/System32"
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(ORVAN_WIDL_TARGET --win32)
else()
  set(ORVAN_WIDL_TARGET --win64)
endif()

function(orvan_widl idl output)
  cmake_parse_arguments(arg "" "" "DEPENDS;LIBRARY_DIRS" ${ARGN})
  get_filename_component(idl ${idl} ABSOLUTE)
  get_filename_component(idl_dir ${idl} DIRECTORY)
  if(output MATCHES "\\.tlb$")
    set(kind -t)
  elseif(output MATCHES "_i\\.c$")
    set(kind -u)
  elseif(output MATCHES "\\.h$")
    set(kind -h)
  else()
    message(FATAL_ERROR "orvan_widl: no widl output kind for ${output}")
  endif()
  set(library_dirs "")
  foreach(dir IN LISTS arg_LIBRARY_DIRS ORVAN_STDOLE2_DIR)
    list(APPEND library_dirs -L ${dir})
  endforeach()
  get_filename_component(output_dir ${output} DIRECTORY)
  get_filename_component(output_name ${output} NAME)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${ORVAN_WIDL} ${ORVAN_WIDL_TARGET} ${kind} -I ${ORVAN_SYSTEM_IDL_DIR} -I ${idl_dir}
            -I ${PROJECT_SOURCE_DIR}/sim/typelib ${library_dirs} -o ${output} ${idl}
    DEPENDS ${idl} ${arg_DEPENDS}
    COMMENT "widl: ${output_name}"
    VERBATIM)
endfunction()
