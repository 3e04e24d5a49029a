# headvane-lab-sim check end to end, on a simulated clock running 20 to 50 times real time.
if(TARGET headvane-lab-sim)
  if(WIN32)
    set(_hv_check_process app_process_win.cpp)
  else()
    set(_hv_check_process app_process_posix.cpp)
  endif()
  headvane_add_test(lab_check_test
    SOURCES lab_check_test.cpp ${_hv_check_process}
    LIBS nlohmann_json::nlohmann_json)
  add_dependencies(lab_check_test headvane-lab-sim)
  target_compile_definitions(lab_check_test PRIVATE HEADVANE_LAB_SIM_EXE="$<TARGET_FILE:headvane-lab-sim>")

  # Keys reach the check through a pipe only where standard input is read as
  # bytes (POSIX); a Windows console program reads the console, not the pipe.
  if(NOT WIN32)
    headvane_add_test(lab_check_keys_test
      SOURCES lab_check_keys_test.cpp app_process_posix.cpp)
    add_dependencies(lab_check_keys_test headvane-lab-sim)
    target_compile_definitions(lab_check_keys_test PRIVATE HEADVANE_LAB_SIM_EXE="$<TARGET_FILE:headvane-lab-sim>")
  endif()
endif()
