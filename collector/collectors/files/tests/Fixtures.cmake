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

# Resource-only DLLs with version resources of every shape the file properties read.
set(version_stub_outputs)
foreach(stub full partial notranslation noversion shorttranslation unterminated)
  set(source ${CMAKE_CURRENT_LIST_DIR}/fixtures/${stub}.rc)
  set(output ${FILES_FIXTURE_DIR}/version/${stub}.dll)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${FILES_FIXTURE_DIR}/version
    COMMAND ${CMAKE_RC_COMPILER} ${source} -O coff -o ${FILES_FIXTURE_DIR}/version/${stub}.o
    COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -Wl,-e,0 -o ${output} ${FILES_FIXTURE_DIR}/version/${stub}.o
    DEPENDS ${source}
    COMMENT "Making the version fixture ${stub}.dll")
  list(APPEND version_stub_outputs ${output})
endforeach()
add_custom_target(files_version_fixtures DEPENDS ${version_stub_outputs})
add_dependencies(${AREA_TEST_TARGET} files_version_fixtures)

# A folder tree whose directory links point back up (made on this side: Wine makes no links, but
# shows these as folders with the reparse-point attribute).
set(link_loop ${FILES_FIXTURE_DIR}/linkloop)
add_custom_command(
  OUTPUT ${link_loop}/made
  COMMAND rm -rf ${link_loop}
  COMMAND mkdir -p ${link_loop}/a/b
  COMMAND ${CMAKE_COMMAND} -E touch ${link_loop}/x.log ${link_loop}/a/y.log ${link_loop}/a/b/z.log
  COMMAND ln -s .. ${link_loop}/a/up
  COMMAND ln -s ../.. ${link_loop}/a/b/back
  COMMAND ${CMAKE_COMMAND} -E touch ${link_loop}/made
  COMMENT "Making the folder tree with looping links"
  VERBATIM)
add_custom_target(files_linkloop_fixture DEPENDS ${link_loop}/made)
add_dependencies(${AREA_TEST_TARGET} files_linkloop_fixture)

# The sample mode file run for real: the copies and the report's links checked in its archive.
add_test(NAME FilesSampleRun.CopiesAndLinksOfTheSampleModeFile
         COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/check_sample_run.py ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(FilesSampleRun.CopiesAndLinksOfTheSampleModeFile PROPERTIES
                     LABELS files RESOURCE_LOCK gathrix_running_mutex TIMEOUT 600)
