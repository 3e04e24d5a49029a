# Speed of the Allan analysis on four hours of 1 kHz samples.
find_package(benchmark REQUIRED)
add_executable(bench_noise bench_noise.cpp)
target_link_libraries(bench_noise PRIVATE hv_noise benchmark::benchmark hv_build_flags)
