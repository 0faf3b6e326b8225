# Benchmarks of the file collectors (programs, not tests). Results: README.md, "Performance".
#   make bench_files_md5        MD5 throughput against md5sum on one large file
#   make bench_files_fileinfos  the file-information job over trees of small files, against the floor
#                               of the Win32 work it needs (files_floor_bench)
foreach(bench files_md5_bench files_fileinfos_bench files_floor_bench)
  add_executable(${bench} ${CMAKE_CURRENT_LIST_DIR}/${bench}.cpp)
  target_link_libraries(${bench} PRIVATE gathrix_collector psapi)
  target_link_options(${bench} PRIVATE -municode)
  set_target_properties(${bench} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endforeach()
add_custom_target(bench_files_md5
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run-md5-bench.sh ${CMAKE_BINARY_DIR}
  DEPENDS files_md5_bench USES_TERMINAL)
add_custom_target(bench_files_fileinfos
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run-fileinfos-bench.sh ${CMAKE_BINARY_DIR}
  DEPENDS files_fileinfos_bench files_floor_bench USES_TERMINAL)
