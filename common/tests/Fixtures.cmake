# The clock under Wine is the Linux side's (also when scripts/test.sh moves it).
add_test(NAME Harness.WineSeesTheDateOfTheLinuxSide
         COMMAND bash ${CMAKE_SOURCE_DIR}/common/tests/check-clock.sh ${CMAKE_BINARY_DIR})
set_tests_properties(Harness.WineSeesTheDateOfTheLinuxSide PROPERTIES LABELS "core;clock" TIMEOUT 600)
