# Rendering one split part of 27,500 tree elements, against xsltproc on the same file (driven by
# run-render-bench.sh).
add_executable(render_bench ${CMAKE_SOURCE_DIR}/collector/core/bench/RenderBench.cpp ${COLLECTOR_RC} ${MANIFEST_RC})
target_link_libraries(render_bench PRIVATE gathrix_collector)
target_link_options(render_bench PRIVATE -municode)
set_target_properties(render_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_dependencies(render_bench Gathrix)
