# The simulated person's moves and the injected faults of the simulated headset.
headvane_add_test(sim_operator_test
  SOURCES sim_operator_test.cpp
  LIBS hv_device_sim hv_attitude)
