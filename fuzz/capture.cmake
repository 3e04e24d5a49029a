# The capture reader under arbitrary bytes, fed whole and in small pieces.
headvane_add_fuzzer(fuzz_capture_reader
  SOURCES fuzz_capture_reader.cpp
  LIBS hv_capture
  SEEDS ${CMAKE_CURRENT_SOURCE_DIR}/seeds/capture)
