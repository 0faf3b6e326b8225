# The stand-in program of the tools and process tests (fixtures/ProcessStandIn.cpp), built once per
# tree into tests/standins; the tests copy it under the names they need.
if(NOT TARGET gathrix_process_standin)
  add_executable(gathrix_process_standin ${CMAKE_SOURCE_DIR}/tools/tests/fixtures/ProcessStandIn.cpp)
  target_link_options(gathrix_process_standin PRIVATE -municode)
  set_target_properties(gathrix_process_standin PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/standins)
endif()
add_dependencies(${AREA_TEST_TARGET} gathrix_process_standin)
