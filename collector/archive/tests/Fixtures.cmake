# The packing code loads 7z.dll from the program's own folder: put one beside the test program.
add_custom_command(TARGET ${AREA_TEST_TARGET} POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${THIRD_PARTY_DIR}/7zip/7z.dll $<TARGET_FILE_DIR:${AREA_TEST_TARGET}>
  VERBATIM)
