# headvane-lab allan: its pictures and reports as logic, and the command run as a user would.
headvane_add_test(lab_allan_test
  SOURCES lab_allan_test.cpp lab_allan_outputs_test.cpp
  LIBS hv_lab_logic hv_lab_outputs hv_sim_model nlohmann_json::nlohmann_json)

if(WIN32)
  set(_hv_lab_process_sources app_process_win.cpp)
else()
  set(_hv_lab_process_sources app_process_posix.cpp)
endif()
headvane_add_test(lab_allan_blackbox_test
  SOURCES lab_allan_blackbox_test.cpp ${_hv_lab_process_sources}
  LIBS hv_sim_model hv_capture nlohmann_json::nlohmann_json)
add_dependencies(lab_allan_blackbox_test headvane-lab-sim)
target_compile_definitions(lab_allan_blackbox_test PRIVATE LAB_SIM_EXE="$<TARGET_FILE:headvane-lab-sim>")
