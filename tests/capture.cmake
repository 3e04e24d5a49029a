# Tests of the capture file format: writer text, streaming reader, bad files.
headvane_add_test(capture_test
  SOURCES capture_test.cpp
  LIBS hv_capture)
