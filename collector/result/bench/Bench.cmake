# Result writer throughput: tree elements per second and peak memory.
#   <build>/x64/wine-run <build>/x64/bench/result_writer_bench.exe [TREE_ELEMENTS]
add_executable(result_writer_bench ${CMAKE_CURRENT_LIST_DIR}/ResultWriterBench.cpp)
target_link_libraries(result_writer_bench PRIVATE gathrix_collector psapi)
target_link_options(result_writer_bench PRIVATE -municode)
set_target_properties(result_writer_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
