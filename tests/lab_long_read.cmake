# Long reads in headvane-lab: the progress line, and compressed captures read as a user would.
if(WIN32)
  set(_hv_long_read_sources app_process_win.cpp)
else()
  # A pseudo-terminal and a named pipe show the progress line as a user sees it.
  set(_hv_long_read_sources app_process_posix.cpp lab_progress_terminal_test.cpp)
endif()
headvane_add_test(lab_long_read_test
  SOURCES lab_read_progress_test.cpp lab_long_read_test.cpp ${_hv_long_read_sources}
  LIBS hv_lab_logic hv_sim_model ZLIB::ZLIB nlohmann_json::nlohmann_json)
add_dependencies(lab_long_read_test headvane-lab-sim)
target_compile_definitions(lab_long_read_test PRIVATE LAB_SIM_EXE="$<TARGET_FILE:headvane-lab-sim>")
