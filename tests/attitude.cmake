# Tests of the vector math and the attitude filter.
headvane_add_test(vector_math_test
  SOURCES vector_math_test.cpp
  LIBS hv_attitude)
# The filter is compared with the literal step the benchmarks measure it against.
headvane_add_test(attitude_filter_test
  SOURCES attitude_filter_test.cpp attitude_motion_test.cpp attitude_allocation_test.cpp
          attitude_concurrency_test.cpp ${PROJECT_SOURCE_DIR}/benchmarks/literal_attitude_step.cpp
  LIBS hv_attitude Threads::Threads)
target_include_directories(attitude_filter_test PRIVATE ${PROJECT_SOURCE_DIR}/benchmarks)
