# headvane_add_fuzzer(<name> SOURCES ... [LIBS ...] [SEEDS <dir>])
# A libFuzzer target plus a ctest entry that fuzzes it for HEADVANE_FUZZ_SECONDS,
# starting from the seed folder (which it never writes) and a scratch corpus.
function(headvane_add_fuzzer name)
  cmake_parse_arguments(F "" "SEEDS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS} hv_build_flags)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}.corpus)
  add_test(NAME ${name} COMMAND sh -c
    "mkdir -p '${corpus}' && exec \"$0\" -max_total_time=${HEADVANE_FUZZ_SECONDS} -print_final_stats=1 '${corpus}' ${F_SEEDS}"
    $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
