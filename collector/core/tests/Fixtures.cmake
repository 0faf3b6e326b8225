# A stand-in render child whose pages fail on purpose (see fixtures/RenderStandIn.cpp).
if(NOT TARGET render_standin)
  add_executable(render_standin ${CMAKE_SOURCE_DIR}/collector/core/tests/fixtures/RenderStandIn.cpp)
  target_link_libraries(render_standin PRIVATE gathrix_collector)
  target_link_options(render_standin PRIVATE -municode)
  set_target_properties(render_standin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/fixtures)
endif()
add_dependencies(${AREA_TEST_TARGET} render_standin)
