# Third-party packages, all from the distribution: nlohmann json, CLI11,
# GoogleTest, Google Benchmark, libudev and umockdev.
find_package(Threads REQUIRED)

if(CMAKE_CROSSCOMPILING AND WIN32)
  # Cross builds search only the MinGW sysroot, and putting /usr/include on the
  # include path would let glibc headers shadow MinGW's. The json library is
  # header-only: expose just its folder through a build-tree include directory.
  set(_hv_json_root ${CMAKE_BINARY_DIR}/_thirdparty_include)
  file(MAKE_DIRECTORY ${_hv_json_root})
  if(NOT EXISTS ${_hv_json_root}/nlohmann)
    file(CREATE_LINK /usr/include/nlohmann ${_hv_json_root}/nlohmann SYMBOLIC)
  endif()
  add_library(nlohmann_json INTERFACE)
  target_include_directories(nlohmann_json SYSTEM INTERFACE ${_hv_json_root})
  add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json)
  # CLI11 is header-only too: the same way.
  if(NOT EXISTS ${_hv_json_root}/CLI)
    file(CREATE_LINK /usr/include/CLI ${_hv_json_root}/CLI SYMBOLIC)
  endif()
  add_library(CLI11 INTERFACE)
  target_include_directories(CLI11 SYSTEM INTERFACE ${_hv_json_root})
  add_library(CLI11::CLI11 ALIAS CLI11)
else()
  find_package(nlohmann_json 3.11.2 REQUIRED)
  find_package(CLI11 2.1 CONFIG REQUIRED)
endif()

if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LIBUDEV REQUIRED IMPORTED_TARGET libudev)
endif()
