# The quorvane executable: the application on the emulated handset. With --script it runs a
# scenario headless in virtual time and writes the trace (docs/scenarios.md).
if(NOT TARGET quorvane_app)
  message(STATUS "quorvane: waiting for the application library")
  return()
endif()
find_package(CLI11 REQUIRED)
add_executable(quorvane
  ${CMAKE_CURRENT_LIST_DIR}/quorvane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quorvane_program.cpp
)
target_link_libraries(quorvane PRIVATE quorvane_app quorvane_host CLI11::CLI11)
