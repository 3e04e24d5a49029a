# The Allan noise analysis: exact values, published sets, known noise, uniform runs, intervals.
headvane_add_test(noise_test SOURCES noise_test.cpp allan_intervals_test.cpp noise_columns_test.cpp LIBS hv_noise)
