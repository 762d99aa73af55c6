# The quorvane executable: the application on the emulated handset, in the desktop window, as the
# terminal demo, or running a scenario script (docs/running.md, docs/scenarios.md).
add_executable(quorvane quorvane.cpp quorvane_modes.cpp settings_command.cpp)
target_link_libraries(quorvane PRIVATE quorvane_program quorvane_mode quorvane_handover
                      quorvane_ini_diagnosis quorvane_service_log)
# Without the SDL window (QV_GUI off) the demo runs in the terminal also on a desktop.
if(QV_GUI)
  target_sources(quorvane PRIVATE window_handover.cpp)
  target_link_libraries(quorvane PRIVATE quorvane_desktop)
  target_compile_definitions(quorvane PRIVATE QV_HAS_DESKTOP)
endif()
