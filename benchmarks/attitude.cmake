# Speed of the attitude filter's update, alone and behind report processing.
find_package(benchmark REQUIRED)
add_executable(bench_attitude bench_attitude.cpp literal_attitude_step.cpp)
target_link_libraries(bench_attitude PRIVATE hv_attitude hv_imu_logic benchmark::benchmark hv_build_flags)
