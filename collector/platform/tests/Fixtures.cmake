# A small library beside the platform tests: the loader tests load it by full path and plant copies
# of it, and its version resource gives the file-version tests a known version.
if(NOT TARGET gathrix_test_library)
  add_library(gathrix_test_library SHARED
    ${CMAKE_SOURCE_DIR}/collector/platform/tests/fixtures/TestLibrary.c
    ${CMAKE_SOURCE_DIR}/collector/platform/tests/fixtures/TestLibrary.rc)
  set_target_properties(gathrix_test_library PROPERTIES
    PREFIX "" OUTPUT_NAME gathrix_test_library
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endif()
add_dependencies(${AREA_TEST_TARGET} gathrix_test_library)
