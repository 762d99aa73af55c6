# Runs one scenario and compares its trace with the expected one (cmake -P).
#   QUORVANE  the executable     SCRIPT    the script (.qvs)
#   EXPECTED  the expected trace ACTUAL    where the trace is written
#   WORK      the handset's root folder (emptied first)
#   TRACE_DIFF  the comparer (trace_diff.cpp)
# With the environment variable QV_UPDATE_TRACES=1 the expected trace is replaced by the new one
# instead; read it line by line before committing it (docs/scenarios.md).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(
  COMMAND ${QUORVANE} --script ${SCRIPT} --root ${WORK} --trace ${ACTUAL}
  RESULT_VARIABLE status
  ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "quorvane --script ${SCRIPT} ended with status ${status}:\n${errors}")
endif()
if(errors)
  message("${errors}")
endif()

if("$ENV{QV_UPDATE_TRACES}" STREQUAL "1")
  configure_file(${ACTUAL} ${EXPECTED} COPYONLY)
  message(STATUS "updated ${EXPECTED}")
  return()
endif()

if(NOT EXISTS ${EXPECTED})
  message(FATAL_ERROR "no expected trace ${EXPECTED}; the new trace is ${ACTUAL}")
endif()
execute_process(COMMAND ${TRACE_DIFF} ${EXPECTED} ${ACTUAL} RESULT_VARIABLE different
                ERROR_VARIABLE difference)
if(different)
  message(FATAL_ERROR "${SCRIPT}: ${difference}(whole trace: ${ACTUAL})")
endif()
