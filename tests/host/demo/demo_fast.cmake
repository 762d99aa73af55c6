# Runs `quorvane --fast --headless --root WORK` and checks that the demo ran to its end: exit
# status 0, a next and a previous command to the player in the timeline, and its last line.
#   cmake -DQUORVANE=... -DWORK=... -P demo_fast.cmake
file(REMOVE_RECURSE ${WORK})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
          ${QUORVANE} --fast --headless --root ${WORK}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE timeline
  ERROR_VARIABLE errors)
message("${timeline}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "quorvane --fast --headless ended with ${status}: ${errors}")
endif()
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "quorvane --fast --headless complained: ${errors}")
endif()
foreach(expected "player ◀ next  → now playing: " "player ◀ previous  → now playing: "
                 "Quorvane has ended (exit code 0)" "end of the demo")
  string(FIND "${timeline}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the timeline lacks \"${expected}\"")
  endif()
endforeach()
