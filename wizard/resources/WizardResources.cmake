# The wizard's resource libraries: resource-only DLLs (no code, no entry point) of the tree's
# bitness, one per language. English ships in dist/en-us; German is built for the tests only,
# since a de-de library beside the wizard wins for every user.
set(WIZARD_RC_DIR ${CMAKE_SOURCE_DIR}/wizard/resources)
set(WIZARD_RC_COMMON ${WIZARD_RC_DIR}/GathrixWizardDialog.rci ${WIZARD_RC_DIR}/GathrixWizard.ico
                     ${CMAKE_SOURCE_DIR}/wizard/WizardResourceIds.h)
set(WIZARD_RC_OUTPUTS)
foreach(entry "en-us|${DIST_DIR}/en-us" "de-de|${CMAKE_BINARY_DIR}/wizard-rc/de-de")
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 language)
  list(GET entry 1 folder)
  set(object ${CMAKE_BINARY_DIR}/wizard-rc/GathrixWizardRc.${language}.o)
  add_custom_command(
    OUTPUT ${folder}/GathrixWizardRc.dll
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder} ${CMAKE_BINARY_DIR}/wizard-rc
    COMMAND ${CMAKE_RC_COMPILER} -I${CMAKE_SOURCE_DIR} ${WIZARD_RC_DIR}/GathrixWizardRc.${language}.rc -O coff -o ${object}
    COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -Wl,-e,0 -o ${folder}/GathrixWizardRc.dll ${object}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    DEPENDS ${WIZARD_RC_DIR}/GathrixWizardRc.${language}.rc ${WIZARD_RC_COMMON}
    COMMENT "Making the wizard's ${language} resource library")
  list(APPEND WIZARD_RC_OUTPUTS ${folder}/GathrixWizardRc.dll)
endforeach()
add_custom_target(gathrix_wizard_rc ALL DEPENDS ${WIZARD_RC_OUTPUTS})
add_dependencies(GathrixWizard gathrix_wizard_rc)
