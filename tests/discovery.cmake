# Device discovery and pairing: the platform-free rules everywhere, the real
# enumeration on Windows (Wine in the cross build) and on Linux (umockdev).
headvane_add_test(discovery_logic_test
  SOURCES discovery_logic_test.cpp fakes/recording_close.cpp ${PROJECT_SOURCE_DIR}/imu/open_watchman.cpp
  LIBS hv_imu_logic)
target_include_directories(discovery_logic_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})

if(WIN32)
  headvane_add_test(discovery_win_test SOURCES discovery_win_test.cpp LIBS hv_device_native)
else()
  pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)
  headvane_add_test(discovery_linux_test SOURCES discovery_linux_test.cpp app_process_posix.cpp
    LIBS hv_device_native PkgConfig::UMOCKDEV UMOCKDEV)
  # A failing scan is injected between the backend and libudev.
  target_link_options(discovery_linux_test PRIVATE -Wl,--wrap=udev_enumerate_scan_devices)
  # Also runs the built tool against the mocked devices.
  add_dependencies(discovery_linux_test headvane)
  target_compile_definitions(discovery_linux_test PRIVATE HEADVANE_EXE="$<TARGET_FILE:headvane>")
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_FLAGS MATCHES "-fsanitize=[a-z,]*address")
    # umockdev's preload comes first in the library list; a linked-in ASan
    # runtime need not, so test discovery runs without special options.
    target_link_options(discovery_linux_test PRIVATE -static-libasan)
  endif()
endif()
