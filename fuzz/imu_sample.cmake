# Report decoding and acceptance under arbitrary reads.
headvane_add_fuzzer(fuzz_process_report
  SOURCES fuzz_process_report.cpp
  LIBS hv_imu_logic
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/seeds/imu_report)
