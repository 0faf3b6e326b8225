# Every test here starts the collector, which takes the single-instance mutex and may deliver to
# the prefix's shared desktop: one at a time, also against other programs' tests that do the same.
set(AREA_TEST_PROPERTIES RESOURCE_LOCK gathrix_running_mutex)

# The sample mode file run for real and its archive checked with the Linux tools.
add_test(NAME CollectorArchive.SampleModeFileCheckedFromTheLinuxSide
         COMMAND bash ${CMAKE_SOURCE_DIR}/collector/core/e2e/tests/check-archive.sh ${CMAKE_BINARY_DIR} ${GATHRIX_VERSION})
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

# The shipped programs as files: their version resources (ShippedProgramsTests.cpp), their import
# tables and a library planted beside each of them (both checked from the Linux side).
target_compile_definitions(${AREA_TEST_TARGET} PRIVATE GATHRIX_TEST_VERSION=L"${GATHRIX_VERSION}")
if(NOT TARGET gathrix_planted_library)
  add_library(gathrix_planted_library SHARED ${CMAKE_SOURCE_DIR}/collector/core/e2e/tests/fixtures/PlantedLibrary.c)
  set_target_properties(gathrix_planted_library PROPERTIES
    PREFIX "" OUTPUT_NAME planted RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/planted)
endif()
add_dependencies(${AREA_TEST_TARGET} gathrix_planted_library)
add_test(NAME ShippedPrograms.ImportOnlyKnownDllsCheckedFromTheLinuxSide
         COMMAND bash ${CMAKE_SOURCE_DIR}/collector/core/e2e/tests/check-shipped-imports.sh ${CMAKE_BINARY_DIR})
add_test(NAME ShippedPrograms.NeverLoadALibraryPlantedBesideThem
         COMMAND bash ${CMAKE_SOURCE_DIR}/collector/core/e2e/tests/check-planted-libraries.sh ${CMAKE_BINARY_DIR})
set_tests_properties(ShippedPrograms.ImportOnlyKnownDllsCheckedFromTheLinuxSide PROPERTIES LABELS e2e TIMEOUT 120)
set_tests_properties(ShippedPrograms.NeverLoadALibraryPlantedBesideThem PROPERTIES
                     LABELS e2e RESOURCE_LOCK gathrix_running_mutex TIMEOUT 900)
