# Tests of headvane-lab: record's parts, replay, and the built executables run as a user would.
headvane_add_test(lab_logic_test
  SOURCES lab_record_test.cpp lab_replay_test.cpp
  LIBS hv_lab_logic hv_sim_model Threads::Threads)

if(WIN32)
  set(_hv_lab_process_sources app_process_win.cpp)
else()
  # Sessions need a terminal and POSIX signals.
  set(_hv_lab_process_sources app_process_posix.cpp lab_session_test.cpp)
endif()
headvane_add_test(lab_blackbox_test
  SOURCES lab_blackbox_test.cpp ${_hv_lab_process_sources})
add_dependencies(lab_blackbox_test headvane-lab headvane-lab-sim)
target_compile_definitions(lab_blackbox_test PRIVATE
  HEADVANE_LAB_EXE="$<TARGET_FILE:headvane-lab>" HEADVANE_LAB_SIM_EXE="$<TARGET_FILE:headvane-lab-sim>")
