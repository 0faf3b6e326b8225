# The wizard's test helpers: a stand-in collector (copied into each test's folder as gathrix.exe)
# and the driver that works the real wizard from outside, as a library for the test programs and
# as the program wizard_driver (screenshots).
if(NOT TARGET wizard_test_driver)
  add_library(wizard_test_driver STATIC ${CMAKE_SOURCE_DIR}/wizard/tests/driver/WizardDriver.cpp)
  target_link_libraries(wizard_test_driver PUBLIC gathrix_common user32 gdi32)

  add_executable(wizard_standin_collector ${CMAKE_SOURCE_DIR}/wizard/tests/standin/StandInCollector.cpp)
  target_link_options(wizard_standin_collector PRIVATE -municode)
  add_executable(wizard_driver ${CMAKE_SOURCE_DIR}/wizard/tests/driver/DriverMain.cpp)
  target_link_libraries(wizard_driver PRIVATE wizard_test_driver)
  target_link_options(wizard_driver PRIVATE -municode)
  set_target_properties(wizard_standin_collector wizard_driver PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wizard)
endif()
if(NOT TARGET wizard_rc_without_language)
  # The English library without its language code (string 153): what a damaged library does.
  set(object ${CMAKE_BINARY_DIR}/wizard-rc/GathrixWizardRc.nolanguage.o)
  set(library ${CMAKE_BINARY_DIR}/wizard-rc/no-language/GathrixWizardRc.dll)
  add_custom_command(
    OUTPUT ${library}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/wizard-rc/no-language
    COMMAND ${CMAKE_RC_COMPILER} -I${CMAKE_SOURCE_DIR} -DGATHRIX_WITHOUT_LANGUAGE_CODE
            ${CMAKE_SOURCE_DIR}/wizard/resources/GathrixWizardRc.en-us.rc -O coff -o ${object}
    COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -Wl,-e,0 -o ${library} ${object}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    DEPENDS ${CMAKE_SOURCE_DIR}/wizard/resources/GathrixWizardRc.en-us.rc ${WIZARD_RC_COMMON}
    COMMENT "Making a wizard resource library without its language code")
  add_custom_target(wizard_rc_without_language DEPENDS ${library})
endif()
if(NOT TARGET wizard_rc_with_code)
  # The English library with a DllMain that leaves a file beside it when it runs.
  add_library(wizard_rc_with_code SHARED ${CMAKE_SOURCE_DIR}/wizard/tests/standin/CodeInResourceLibrary.c
                                         ${CMAKE_SOURCE_DIR}/wizard/resources/GathrixWizardRc.en-us.rc)
  target_include_directories(wizard_rc_with_code PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(wizard_rc_with_code PROPERTIES PREFIX "" OUTPUT_NAME GathrixWizardRc
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/wizard-rc/with-code
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/wizard-rc/with-code)
endif()
target_link_libraries(${AREA_TEST_TARGET} PRIVATE gathrix_wizard wizard_test_driver)
add_dependencies(${AREA_TEST_TARGET} gathrix_wizard_rc wizard_rc_without_language wizard_rc_with_code
                 wizard_standin_collector wizard_driver)
gathrix_windows_path(WIN_WIZARD_TEST_DIR ${CMAKE_BINARY_DIR}/tests/wizard)
gathrix_windows_path(WIN_WIZARD_GERMAN_RC ${CMAKE_BINARY_DIR}/wizard-rc/de-de/GathrixWizardRc.dll)
gathrix_windows_path(WIN_WIZARD_NO_LANGUAGE_RC ${CMAKE_BINARY_DIR}/wizard-rc/no-language/GathrixWizardRc.dll)
gathrix_windows_path(WIN_WIZARD_CODE_RC ${CMAKE_BINARY_DIR}/wizard-rc/with-code/GathrixWizardRc.dll)
target_compile_definitions(${AREA_TEST_TARGET} PRIVATE
  GATHRIX_TEST_WIZARD_DIR=L"${WIN_WIZARD_TEST_DIR}"
  GATHRIX_TEST_WIZARD_GERMAN_RC=L"${WIN_WIZARD_GERMAN_RC}"
  GATHRIX_TEST_WIZARD_NO_LANGUAGE_RC=L"${WIN_WIZARD_NO_LANGUAGE_RC}"
  GATHRIX_TEST_WIZARD_CODE_RC=L"${WIN_WIZARD_CODE_RC}")
