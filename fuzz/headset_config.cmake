# The headset document parser under arbitrary text.
headvane_add_fuzzer(fuzz_headset_config
  SOURCES fuzz_headset_config.cpp
  LIBS hv_config
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/seeds/headset_config)
