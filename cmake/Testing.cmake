# GoogleTest, built from the distribution's sources for whichever target we build.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)  # MSVC builds take it from the vcpkg manifest
endif()
include(GoogleTest)

set(HEADVANE_UNDER_WINE OFF)
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(HEADVANE_UNDER_WINE ON)
  # Each process started under Wine waits ~2.5 s for Wine's services unless a
  # wineserver is already up; one fixture keeps it up for the whole run.
  # Debian keeps wineserver beside wine64, off the PATH.
  find_program(HEADVANE_WINESERVER wineserver HINTS /usr/lib/wine REQUIRED)
  add_test(NAME wine_up COMMAND sh -c
    "${HEADVANE_WINESERVER} -p >/dev/null 2>&1 </dev/null; ${CMAKE_CROSSCOMPILING_EMULATOR} cmd /c exit 0 >/dev/null 2>&1 </dev/null; exit 0")
  set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "WINEDEBUG=-all")
  add_test(NAME wine_down COMMAND sh -c "${HEADVANE_WINESERVER} -k >/dev/null 2>&1; exit 0")
  set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP wine)
endif()

# headvane_add_test(<name> SOURCES ... [LIBS ...] [UMOCKDEV] [LABELS ...])
# One GoogleTest executable. Natively each test case is its own ctest entry;
# under Wine the whole executable is one entry (every process start costs).
# UMOCKDEV runs it under umockdev-wrapper (Linux device tests).
function(headvane_add_test name)
  cmake_parse_arguments(T "UMOCKDEV" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main hv_build_flags)
  target_compile_definitions(${name} PRIVATE
    HEADVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}" HEADVANE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(T_UMOCKDEV)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR /usr/bin/umockdev-wrapper)
  endif()
  set(props TIMEOUT 120)
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  if(T_UMOCKDEV)
    list(APPEND props ENVIRONMENT "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/umockdev.tsan-supp")
  endif()
  if(HEADVANE_UNDER_WINE)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ${props} TIMEOUT 300
      FIXTURES_REQUIRED wine ENVIRONMENT "WINEDEBUG=-all")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
  endif()
endfunction()
