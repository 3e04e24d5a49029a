# The Windows build end to end under Wine: the cross-built headvane.exe, then
# headvane-lab.exe record, read a mocked IMU unit (a umockdev hidraw node)
# through Wine's udev HID bus. The cross build makes the probe that waits for Wine to list the unit; the native
# build makes the bed and registers the run, which needs the Windows build.
option(HEADVANE_WINE_BED "Run headvane.exe under Wine against a mocked unit (needs the windows preset's build)" OFF)
set(HEADVANE_WINDOWS_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/windows CACHE PATH
  "The windows preset's build tree, whose executables the Wine run uses")

if(WIN32)
  add_executable(hv_unit_probe wine_bed/unit_probe_win.cpp)
  target_link_libraries(hv_unit_probe PRIVATE setupapi hid hv_build_flags)
elseif(HEADVANE_WINE_BED)
  pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)
  add_executable(hv_wine_bed
    wine_bed/wine_bed_main.cpp
    wine_bed/mock_unit.cpp
    wine_bed/hidraw_answers.cpp
    wine_bed/report_stream.cpp)
  target_include_directories(hv_wine_bed PRIVATE wine_bed)
  target_link_libraries(hv_wine_bed PRIVATE hv_imu_logic PkgConfig::UMOCKDEV Threads::Threads hv_build_flags)

  add_test(NAME wine_bed COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/wine_bed/run_wine_bed.sh
    $<TARGET_FILE:hv_wine_bed> ${HEADVANE_WINDOWS_BUILD_DIR} ${PROJECT_SOURCE_DIR}/examples/headset.json
    ${CMAKE_CURRENT_BINARY_DIR}/wine_bed)
  # The script kills its own run well before this.
  set_tests_properties(wine_bed PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180 LABELS wine)
endif()
