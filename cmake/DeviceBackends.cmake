# The IMU stream and discovery are written once against a small platform layer
# (enumeration of the HID devices, the device port for overlapped reads). Each
# backend is that shared code compiled together with one implementation of the
# layer, picked at link time: the native one (Windows or Linux), the simulated
# headset, and the fakes the tests use.
set(HEADVANE_STREAM_SOURCES
  ${PROJECT_SOURCE_DIR}/imu/tundra_imu.cpp
  ${PROJECT_SOURCE_DIR}/imu/open_watchman.cpp)

function(headvane_add_device_backend name)
  add_library(${name} STATIC ${HEADVANE_STREAM_SOURCES} ${ARGN})
  target_link_libraries(${name} PUBLIC hv_imu_logic Threads::Threads PRIVATE hv_build_flags)
endfunction()
