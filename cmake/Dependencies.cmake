# Third-party packages, all from the distribution: nlohmann json, CLI11,
# Boost.Math, GoogleTest, Google Benchmark, libudev, umockdev and zlib.
find_package(Threads REQUIRED)

# zlib for compressed captures. The cross build links MinGW's libz.a, so the
# .exe still needs nothing beside it.
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)

if(CMAKE_CROSSCOMPILING AND WIN32)
  # Cross builds search only the MinGW sysroot, and putting /usr/include on the
  # include path would let glibc headers shadow MinGW's. The json library,
  # CLI11 and Boost.Math are header-only: expose just their folders through a
  # build-tree include directory.
  set(_hv_header_root ${CMAKE_BINARY_DIR}/_thirdparty_include)
  file(MAKE_DIRECTORY ${_hv_header_root})
  function(_hv_header_only_library folder target alias)
    if(NOT EXISTS ${_hv_header_root}/${folder})
      file(CREATE_LINK /usr/include/${folder} ${_hv_header_root}/${folder} SYMBOLIC)
    endif()
    add_library(${target} INTERFACE)
    target_include_directories(${target} SYSTEM INTERFACE ${_hv_header_root})
    add_library(${alias} ALIAS ${target})
  endfunction()
  _hv_header_only_library(nlohmann nlohmann_json nlohmann_json::nlohmann_json)
  _hv_header_only_library(CLI CLI11 CLI11::CLI11)
  _hv_header_only_library(boost Boost_headers Boost::headers)
else()
  find_package(nlohmann_json 3.11.2 REQUIRED)
  find_package(CLI11 2.1 CONFIG REQUIRED)
  find_package(Boost 1.74 CONFIG REQUIRED)
endif()

if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LIBUDEV REQUIRED IMPORTED_TARGET libudev)
endif()
