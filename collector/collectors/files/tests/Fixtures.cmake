# Fixtures of the files tests, made at build time into ${CMAKE_BINARY_DIR}/fixtures/files.
set(FILES_FIXTURE_DIR ${CMAKE_BINARY_DIR}/fixtures/files)

# Files whose digests md5sum computes.
add_custom_command(
  OUTPUT ${FILES_FIXTURE_DIR}/md5/digests.txt
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make-md5-fixtures.sh ${FILES_FIXTURE_DIR}/md5
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make-md5-fixtures.sh
  COMMENT "Making the MD5 fixture files")
add_custom_target(files_md5_fixtures DEPENDS ${FILES_FIXTURE_DIR}/md5/digests.txt)
add_dependencies(${AREA_TEST_TARGET} files_md5_fixtures)
