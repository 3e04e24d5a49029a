cmake_minimum_required(VERSION 3.25)

# Dependencies point down: no file of a lower layer includes a header of a
# layer above it. Headers are matched by file name, as the flat include
# directories make them visible. Run as a script:
#   cmake -DROOT=<source tree> -P CheckIncludeRules.cmake
if(NOT ROOT)
  message(FATAL_ERROR "pass -DROOT=<source tree>")
endif()

# The file names of every header under the given folders of ROOT.
function(_hv_header_names out)
  set(names)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE headers "${ROOT}/${dir}/*.h")
    foreach(header IN LISTS headers)
      get_filename_component(name "${header}" NAME)
      list(APPEND names "${name}")
    endforeach()
  endforeach()
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

set(_hv_violations 0)

# Every quoted include of the files under `layer` against the names forbidden there.
function(_hv_check_layer layer forbidden)
  file(GLOB_RECURSE files "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
      get_filename_component(name "${included}" NAME)
      if(name IN_LIST forbidden)
        file(RELATIVE_PATH shown "${ROOT}" "${file}")
        message(NOTICE "${shown} includes ${included}, a header of a layer above ${layer}/")
        math(EXPR count "${_hv_violations} + 1")
        set(_hv_violations ${count} PARENT_SCOPE)
      endif()
    endforeach()
  endforeach()
endfunction()

_hv_header_names(_hv_above_imu app lab bench_check)
_hv_check_layer(imu "${_hv_above_imu}")

# The stream and the device backends are above the filter and the configuration too.
_hv_header_names(_hv_backends imu/linux imu/windows imu/sim)
foreach(stream_header tundra_imu.h device_port.h)
  if(EXISTS "${ROOT}/imu/${stream_header}")
    list(APPEND _hv_backends ${stream_header})
  endif()
endforeach()
foreach(layer attitude config)
  _hv_check_layer(${layer} "${_hv_above_imu};${_hv_backends}")
endforeach()

if(_hv_violations GREATER 0)
  message(FATAL_ERROR "${_hv_violations} include(s) point up")
endif()
message(STATUS "includes point down")
