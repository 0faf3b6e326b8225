# Packing a working folder through 7z.dll against the 7z command line on the same folder.
add_executable(archive_bench ${CMAKE_SOURCE_DIR}/collector/archive/bench/ArchiveBench.cpp ${MANIFEST_RC})
target_link_libraries(archive_bench PRIVATE gathrix_collector)
target_link_options(archive_bench PRIVATE -municode)
set_target_properties(archive_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_custom_command(TARGET archive_bench POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${THIRD_PARTY_DIR}/7zip/7z.dll $<TARGET_FILE_DIR:archive_bench>
  VERBATIM)
