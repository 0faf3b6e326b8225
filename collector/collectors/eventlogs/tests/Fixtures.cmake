# The event-log fixtures: a stand-in wevtapi.dll (Wine's own reads no event), installed into the
# prefix's system folder by one fixture test before the tests that load it (WINEDLLOVERRIDES=
# wevtapi=n), and two message-table DLLs for the classic API's message formatting.
set(SYSTEM_FIXTURE_DIR ${CMAKE_BINARY_DIR}/fixtures/system)

if(NOT TARGET wevtapi_standin)
  add_library(wevtapi_standin SHARED
    ${CMAKE_CURRENT_LIST_DIR}/fixtures/WevtapiStandIn.c
    ${CMAKE_CURRENT_LIST_DIR}/fixtures/WevtapiStandIn.def)
  set_target_properties(wevtapi_standin PROPERTIES
    PREFIX "" OUTPUT_NAME wevtapi
    RUNTIME_OUTPUT_DIRECTORY ${SYSTEM_FIXTURE_DIR})
  target_link_libraries(wevtapi_standin PRIVATE advapi32)
  if(NOT GATHRIX_TEST_BUILD_64)
    # stdcall exports without their @N decoration, as the real library has them (the .def names
    # them undecorated; the fix-up to the decorated symbols is intended).
    target_link_options(wevtapi_standin PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  endif()

  # Test processes that copied the stand-in into the shared prefix themselves raced with others
  # loading it: one process installs it, before every test that requires the fixture
  # wevtapi_standin runs.
  add_executable(system_fixture_install ${CMAKE_CURRENT_LIST_DIR}/fixtures/InstallIntoSystemFolder.c)
  target_link_options(system_fixture_install PRIVATE -municode)
  set_target_properties(system_fixture_install PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_dependencies(system_fixture_install wevtapi_standin)
  string(REPLACE "/" "\\" win_standin "Z:${SYSTEM_FIXTURE_DIR}/wevtapi.dll")
  add_test(NAME EventlogFixtures.WevtapiStandInInstalled COMMAND system_fixture_install ${win_standin})
  set_tests_properties(EventlogFixtures.WevtapiStandInInstalled PROPERTIES
                       FIXTURES_SETUP wevtapi_standin LABELS eventlogs TIMEOUT 120)
endif()
add_dependencies(${AREA_TEST_TARGET} wevtapi_standin system_fixture_install)
list(APPEND AREA_TEST_PROPERTIES FIXTURES_REQUIRED wevtapi_standin)

set(message_dll_outputs)
foreach(messages EventMessages SecondMessages)
  set(source ${CMAKE_CURRENT_LIST_DIR}/fixtures/${messages}.mc)
  set(work ${SYSTEM_FIXTURE_DIR}/${messages})
  set(output ${SYSTEM_FIXTURE_DIR}/${messages}.dll)
  string(REPLACE "windres" "windmc" windmc ${CMAKE_RC_COMPILER})
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${work}
    COMMAND ${windmc} -h ${work} -r ${work} ${source}
    COMMAND ${CMAKE_RC_COMPILER} -I ${work} ${work}/${messages}.rc -O coff -o ${work}/${messages}.o
    COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -Wl,-e,0 -o ${output} ${work}/${messages}.o
    DEPENDS ${source}
    COMMENT "Making the message-table fixture ${messages}.dll")
  list(APPEND message_dll_outputs ${output})
endforeach()
add_custom_target(system_message_fixtures DEPENDS ${message_dll_outputs})
add_dependencies(${AREA_TEST_TARGET} system_message_fixtures)

# The in-process event-log tests read through the stand-in.
list(APPEND AREA_TEST_PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=wevtapi=n")
