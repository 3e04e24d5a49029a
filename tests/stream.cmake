# The IMU stream: its state machine on scripted fakes, and the real device
# ports (overlapped reads on named pipes under Wine, hidraw under umockdev).
headvane_add_device_backend(hv_device_fake
  fakes/fake_device_port.cpp
  fakes/fake_enumeration.cpp
  fakes/fake_stream_bench.cpp)

headvane_add_test(stream_test
  SOURCES stream_test.cpp
  LIBS hv_device_fake)

if(WIN32)
  headvane_add_device_backend(hv_device_pipes
    ${PROJECT_SOURCE_DIR}/imu/windows/device_port.cpp
    fakes/stream_pipe_enumeration_win.cpp)
  target_include_directories(hv_device_pipes PUBLIC ${PROJECT_SOURCE_DIR}/imu/windows)
  headvane_add_test(stream_win_test
    SOURCES stream_port_test.cpp stream_win_test.cpp
    LIBS hv_device_pipes)
else()
  if(NOT TARGET PkgConfig::UMOCKDEV)
    pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)
  endif()
  headvane_add_test(stream_linux_test
    SOURCES stream_port_test.cpp stream_linux_test.cpp
    LIBS hv_device_native PkgConfig::UMOCKDEV
    UMOCKDEV)
  if(CMAKE_CXX_FLAGS MATCHES "sanitize=address" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # umockdev's preload would otherwise load before the ASan runtime.
    target_link_options(stream_linux_test PRIVATE -static-libasan)
  endif()
endif()
