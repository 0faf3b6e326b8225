# gathrix_version_resource(PROGRAM DESCRIPTION): the program's version resource, made from
# Version.rc.in with the build's one version number, GATHRIX_VERSION (four parts).
function(gathrix_version_resource program description)
  if(NOT GATHRIX_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
    message(FATAL_ERROR "GATHRIX_VERSION must have four numeric parts, not '${GATHRIX_VERSION}'")
  endif()
  string(REPLACE "." "," VERSION_COMMAS "${GATHRIX_VERSION}")
  set(VERSION_PROGRAM ${program})
  set(VERSION_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/version-resource/${program}.rc)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Version.rc.in ${rc} @ONLY)
  target_sources(${program} PRIVATE ${rc})
endfunction()
