# Tests of the capture file format: writer text, streaming reader, bad files, compressed files.
headvane_add_test(capture_test
  SOURCES capture_test.cpp capture_gzip_test.cpp
  LIBS hv_capture ZLIB::ZLIB)
