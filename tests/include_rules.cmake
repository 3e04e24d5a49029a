# Dependencies point down: imu/ includes nothing of app/, lab/ or bench_check/, and
# attitude/ and config/ nothing of those nor of the stream and its backends.
add_test(NAME include_rules
  COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludeRules.cmake)
# The same check on a small tree that breaks both rules once each, so that a
# check that stopped looking would show.
add_test(NAME include_rules_catch_upward_includes
  COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_CURRENT_SOURCE_DIR}/data/include_rules
  -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludeRules.cmake)
set_tests_properties(include_rules_catch_upward_includes PROPERTIES PASS_REGULAR_EXPRESSION
  "imu/reaches_up.cpp includes lab_only.h.*attitude/reaches_backend.h includes sim/backend_only.h.*2 include\\(s\\) point up")
