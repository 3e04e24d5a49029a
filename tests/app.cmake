# The tool's own logic, the simulated headset, and the built executables run as a user would.
headvane_add_test(app_logic_test
  SOURCES app_command_line_test.cpp app_loop_test.cpp key_decoder_test.cpp
  LIBS hv_app_logic hv_printf_string)

headvane_add_test(sim_headset_test
  SOURCES sim_headset_test.cpp sim_device_test.cpp
  LIBS hv_device_sim hv_config hv_attitude)

if(WIN32)
  set(_hv_process_sources app_process_win.cpp)
else()
  set(_hv_process_sources app_process_posix.cpp app_session_test.cpp)
endif()
headvane_add_test(app_blackbox_test
  SOURCES app_blackbox_test.cpp ${_hv_process_sources})
add_dependencies(app_blackbox_test headvane headvane-sim)
target_compile_definitions(app_blackbox_test PRIVATE
  HEADVANE_EXE="$<TARGET_FILE:headvane>" HEADVANE_SIM_EXE="$<TARGET_FILE:headvane-sim>")
