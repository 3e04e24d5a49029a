# Tests of headvane-lab: record's parts, replay, and the built executables run as a user would.
headvane_add_test(lab_logic_test
  SOURCES lab_record_test.cpp lab_replay_test.cpp
  LIBS hv_lab_logic hv_device_sim Threads::Threads)
