# The bench check's estimators, limits and procedure rules on synthetic samples.
headvane_add_test(bench_check_test
  SOURCES bench_check_test.cpp
  LIBS hv_bench_check hv_attitude nlohmann_json::nlohmann_json)
