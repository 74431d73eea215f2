# Plays one scenario file through officesim under Wine, with the installed add-in and officesim's
# test add-ins registered for the run and unregistered after it; fails with officesim's transcript
# (and its diff lines) when an expect does not match or a step cannot run. A scenario whose first
# line is "# officesim ends: crash" must end the host abnormally; NAME.after.scenario, if there is
# one, then runs as the host's next start. The add-in records, resiliency notes and the add-in's
# values the runs leave under HKEY_CURRENT_USER are removed at the end. Pictures the scenario draws
# go to PICTURES; NAME.check.py, if there is one, then reads them back.
foreach(var WINE OFFICESIM ADDIN TEST_ADDINS SCENARIO OUTPUT PICTURES PYTHON ICONS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_scenario.cmake needs -D${var}=...")
  endif()
endforeach()

foreach(dll IN ITEMS ${ADDIN} ${TEST_ADDINS})
  execute_process(COMMAND ${WINE} regsvr32 /s ${dll} RESULT_VARIABLE registered)
  if(NOT registered EQUAL 0)
    message(FATAL_ERROR "regsvr32 could not register ${dll} (exit ${registered})")
  endif()
endforeach()

set(failure "")
file(REMOVE_RECURSE "${PICTURES}")
set(runs ${SCENARIO})
string(REGEX REPLACE "\\.scenario$" ".after.scenario" after "${SCENARIO}")
string(REGEX REPLACE "^Z:" "" after_unix "${after}")
string(REPLACE "\\" "/" after_unix "${after_unix}")
if(EXISTS "${after_unix}")
  list(APPEND runs ${after})
endif()
foreach(run IN LISTS runs)
  string(REGEX REPLACE "^Z:" "" run_unix "${run}")
  string(REPLACE "\\" "/" run_unix "${run_unix}")
  file(STRINGS "${run_unix}" first_line LIMIT_COUNT 1)
  execute_process(COMMAND ${WINE} ${OFFICESIM} --output ${OUTPUT} --pictures "Z:${PICTURES}" ${run}
    RESULT_VARIABLE code OUTPUT_VARIABLE transcript ERROR_VARIABLE errors)
  if(first_line STREQUAL "# officesim ends: crash")
    if(code GREATER_EQUAL 0 AND code LESS_EQUAL 3)
      set(failure "${run}: the host was to end abnormally but exited with ${code}\n${transcript}")
      break()
    endif()
  elseif(NOT code EQUAL 0)
    set(failure "${run}: officesim exited with ${code}\n${errors}\n${transcript}")
    break()
  endif()
endforeach()

string(REGEX REPLACE "\\.scenario$" ".check.py" check "${SCENARIO}")
string(REGEX REPLACE "^Z:" "" check "${check}")
string(REPLACE "\\" "/" check "${check}")
if(NOT failure AND EXISTS "${check}")
  execute_process(COMMAND ${PYTHON} ${check} ${PICTURES} ${ICONS}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT code EQUAL 0)
    set(failure "${check}: the pictures are not as expected\n${out}\n${transcript}")
  endif()
endif()

foreach(dll IN ITEMS ${ADDIN} ${TEST_ADDINS})
  execute_process(COMMAND ${WINE} regsvr32 /u /s ${dll})
endforeach()
execute_process(COMMAND ${WINE} reg delete "HKCU\\Software\\Microsoft\\Office" /f
  OUTPUT_QUIET ERROR_QUIET)
# The add-in's own values too, so that a scenario failing midway leaves nothing to the next.
execute_process(COMMAND ${WINE} reg delete "HKCU\\Software\\Orvan software GmbH" /f
  OUTPUT_QUIET ERROR_QUIET)
if(failure)
  message(FATAL_ERROR "${failure}")
endif()
