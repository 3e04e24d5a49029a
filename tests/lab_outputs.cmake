# The outputs other tools read: the SI export, the corrected headset file, the check's HTML page.
if(TARGET headvane-lab-sim)
  if(WIN32)
    set(_hv_outputs_process app_process_win.cpp)
  else()
    set(_hv_outputs_process app_process_posix.cpp)
  endif()
  headvane_add_test(lab_outputs_test
    SOURCES lab_export_test.cpp lab_write_config_test.cpp lab_check_outputs_test.cpp lab_output_guard_test.cpp
    ${_hv_outputs_process}
    LIBS hv_lab_outputs hv_sim_model nlohmann_json::nlohmann_json)
  add_dependencies(lab_outputs_test headvane-lab-sim)
  target_compile_definitions(lab_outputs_test PRIVATE HEADVANE_LAB_SIM_EXE="$<TARGET_FILE:headvane-lab-sim>")
endif()

# The outputs read as their readers read them: the export and a compressed capture by
# pandas, the pages by a headless browser, allan's noise file by a YAML reader. Each
# reports itself skipped, with the reason, where its reader is missing.
if(TARGET headvane-lab-sim AND NOT WIN32)
  # Debian's python3, whose python3-pandas tools/install-deps.sh installs, before any other on the PATH.
  find_program(HEADVANE_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
  find_program(HEADVANE_PYTHON3 python3)
  foreach(_hv_reader export_in_pandas page_in_browser capture_gz_in_pandas)
    if(HEADVANE_PYTHON3)
      add_test(NAME lab_${_hv_reader} COMMAND ${HEADVANE_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/outputs/${_hv_reader}.py
        $<TARGET_FILE:headvane-lab-sim> ${PROJECT_SOURCE_DIR}/examples/headset.json)
    else()
      add_test(NAME lab_${_hv_reader} COMMAND sh -c "echo 'SKIPPED: no python3 on this machine'; exit 77")
    endif()
    # The checks share a module beside them: Python is to leave no compiled copy in the source tree.
    set_tests_properties(lab_${_hv_reader} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 240 LABELS outputs
      ENVIRONMENT PYTHONDONTWRITEBYTECODE=1)
  endforeach()
endif()
