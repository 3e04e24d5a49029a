# Speed of the Allan analysis on four hours of 1 kHz samples.
find_package(benchmark REQUIRED)
add_executable(bench_noise bench_noise.cpp)
target_link_libraries(bench_noise PRIVATE hv_noise benchmark::benchmark hv_build_flags)

# The whole command as a user runs it (a child process; POSIX only, like every benchmark here).
add_executable(bench_allan_command bench_allan_command.cpp)
target_link_libraries(bench_allan_command PRIVATE hv_lab_command_run benchmark::benchmark hv_build_flags)
add_dependencies(bench_allan_command headvane-lab-sim)
target_compile_definitions(bench_allan_command PRIVATE LAB_SIM_EXE="$<TARGET_FILE:headvane-lab-sim>")
