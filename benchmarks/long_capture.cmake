# Long synthetic captures of known truth, written fast (a day in well under a minute).
find_package(benchmark REQUIRED)
add_library(hv_long_capture STATIC long_capture.cpp)
target_include_directories(hv_long_capture PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(hv_long_capture PUBLIC hv_capture PRIVATE hv_printf_string hv_build_flags)

add_executable(make_long_capture make_long_capture.cpp)
target_link_libraries(make_long_capture PRIVATE hv_long_capture CLI11::CLI11 hv_build_flags)

# The lab's commands run on those captures by the command benchmarks (POSIX, like every benchmark here).
add_library(hv_lab_command_run STATIC lab_command_run.cpp)
target_include_directories(hv_lab_command_run PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(hv_lab_command_run PUBLIC benchmark::benchmark PRIVATE hv_long_capture hv_build_flags)

add_executable(bench_long_capture bench_long_capture.cpp)
target_link_libraries(bench_long_capture PRIVATE hv_long_capture benchmark::benchmark hv_build_flags)
