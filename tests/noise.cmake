# The Allan noise analysis: exact values, known noise, uniform runs.
headvane_add_test(noise_test SOURCES noise_test.cpp LIBS hv_noise)
