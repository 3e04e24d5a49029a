# Tests of the headset configuration loader.
headvane_add_test(headset_config_test
  SOURCES headset_config_test.cpp headset_config_file_test.cpp
  LIBS hv_config nlohmann_json::nlohmann_json)
