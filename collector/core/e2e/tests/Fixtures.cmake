# Every test here starts the collector, which takes the single-instance mutex and may deliver to
# the prefix's shared desktop: one at a time, also against other programs' tests that do the same.
set(AREA_TEST_PROPERTIES RESOURCE_LOCK gathrix_running_mutex)

# The sample mode file run for real and its archive checked with the Linux tools.
add_test(NAME CollectorArchive.SampleModeFileCheckedFromTheLinuxSide
         COMMAND bash ${CMAKE_SOURCE_DIR}/collector/core/e2e/tests/check-archive.sh ${CMAKE_BINARY_DIR})
set_tests_properties(CollectorArchive.SampleModeFileCheckedFromTheLinuxSide PROPERTIES
                     LABELS e2e RESOURCE_LOCK gathrix_running_mutex TIMEOUT 600)

# The event-database run uses the signed stand-in plug-ins of the event-database tests.
add_dependencies(${AREA_TEST_TARGET} plugin_fixtures)

# The WMI jobs and the general information run from the Linux side, where the environment sets
# Wine's time zone and can switch WMI off.
add_test(NAME WmiRun.TimeZonesWmiAndNoWmiCheckedFromTheLinuxSide
         COMMAND bash ${CMAKE_SOURCE_DIR}/collector/core/e2e/tests/check-wmi-run.sh ${CMAKE_BINARY_DIR})
set_tests_properties(WmiRun.TimeZonesWmiAndNoWmiCheckedFromTheLinuxSide PROPERTIES
                     LABELS "e2e;clock" RESOURCE_LOCK gathrix_running_mutex TIMEOUT 600)

# The event-log runs use the event-log tests' stand-in wevtapi.dll (made and installed by their
# fixtures).
add_dependencies(${AREA_TEST_TARGET} wevtapi_standin system_fixture_install)
list(APPEND AREA_TEST_PROPERTIES FIXTURES_REQUIRED wevtapi_standin)
