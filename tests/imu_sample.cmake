# IMU report decoding and sample acceptance.
headvane_add_test(imu_sample_test SOURCES imu_sample_test.cpp LIBS hv_imu_logic)
