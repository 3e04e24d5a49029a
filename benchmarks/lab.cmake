# Speed of headvane-lab: replay over one-hour and long captures, and record's CPU share (POSIX).
find_package(benchmark REQUIRED)
add_executable(bench_replay bench_replay.cpp)
target_link_libraries(bench_replay PRIVATE hv_lab_logic hv_sim_model hv_lab_command_run benchmark::benchmark
  hv_build_flags)
add_dependencies(bench_replay headvane-lab-sim)
target_compile_definitions(bench_replay PRIVATE LAB_SIM_EXE="$<TARGET_FILE:headvane-lab-sim>"
  HEADVANE_EXAMPLE_CONFIG="${PROJECT_SOURCE_DIR}/examples/headset.json")

if(NOT WIN32)
  add_executable(bench_record bench_record.cpp)
  target_link_libraries(bench_record PRIVATE benchmark::benchmark hv_build_flags)
  target_compile_definitions(bench_record PRIVATE HEADVANE_LAB_SIM_EXE="$<TARGET_FILE:headvane-lab-sim>")
  add_dependencies(bench_record headvane-lab-sim)
endif()
