# Speed of IMU report decoding and acceptance.
find_package(benchmark REQUIRED)
add_executable(bench_imu_sample bench_imu_sample.cpp)
target_link_libraries(bench_imu_sample PRIVATE hv_imu_logic benchmark::benchmark hv_build_flags)
