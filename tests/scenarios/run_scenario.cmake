# Plays one scenario file through officesim under Wine, with the installed add-in registered for
# the run and unregistered after it; fails with officesim's transcript (and its diff lines) when
# an expect does not match or a step cannot run.
foreach(var WINE OFFICESIM ADDIN SCENARIO OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_scenario.cmake needs -D${var}=...")
  endif()
endforeach()

execute_process(COMMAND ${WINE} regsvr32 /s ${ADDIN} RESULT_VARIABLE registered)
if(NOT registered EQUAL 0)
  message(FATAL_ERROR "regsvr32 could not register ${ADDIN} (exit ${registered})")
endif()
execute_process(COMMAND ${WINE} ${OFFICESIM} --output ${OUTPUT} ${SCENARIO}
  RESULT_VARIABLE code OUTPUT_VARIABLE transcript ERROR_VARIABLE errors)
execute_process(COMMAND ${WINE} regsvr32 /u /s ${ADDIN})

if(NOT code EQUAL 0)
  message(FATAL_ERROR "${SCENARIO}: officesim exited with ${code}\n${errors}\n${transcript}")
endif()
