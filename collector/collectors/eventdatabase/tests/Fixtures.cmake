# The event-database fixtures: stand-in plug-ins of our own, built with the tree's toolchain, and,
# made from them at build time by signing/make_fixtures.py (openssl, osslsigncode, python3):
# test keys with their generated header, the signature-table files, RSA and SHA-256 vectors and
# the plug-in folders of the export job. Everything lands in ${CMAKE_BINARY_DIR}/fixtures/plugin.
set(PLUGIN_FIXTURE_DIR ${CMAKE_BINARY_DIR}/fixtures/plugin)
set(plugin_standin_dir ${PLUGIN_FIXTURE_DIR}/standins)
set(plugin_standins)
foreach(standin Trovlib Trovview Trovev Empty)
  set(standin_target plugin_standin_${standin})
  if(NOT TARGET ${standin_target})
    set(sources ${CMAKE_CURRENT_LIST_DIR}/standins/${standin}.c)
    if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/standins/${standin}.def)
      list(APPEND sources ${CMAKE_CURRENT_LIST_DIR}/standins/${standin}.def)
    endif()
    add_library(${standin_target} SHARED ${sources})
    target_include_directories(${standin_target} PRIVATE ${CMAKE_SOURCE_DIR})
    # Undecorated __stdcall exports, as the .def files name them (the fix-up maps them quietly).
    target_link_options(${standin_target} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
    set_target_properties(${standin_target} PROPERTIES PREFIX "" OUTPUT_NAME ${standin}
                          RUNTIME_OUTPUT_DIRECTORY ${plugin_standin_dir})
  endif()
  list(APPEND plugin_standins ${standin_target})
endforeach()

# A worker library that moves the current folder when it is loaded.
if(NOT TARGET plugin_standin_TrovlibMovesFolder)
  add_library(plugin_standin_TrovlibMovesFolder SHARED ${CMAKE_CURRENT_LIST_DIR}/standins/Trovlib.c
              ${CMAKE_CURRENT_LIST_DIR}/standins/Trovlib.def)
  target_include_directories(plugin_standin_TrovlibMovesFolder PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(plugin_standin_TrovlibMovesFolder PRIVATE TROVLIB_MOVES_FOLDER)
  target_link_options(plugin_standin_TrovlibMovesFolder PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  set_target_properties(plugin_standin_TrovlibMovesFolder PROPERTIES PREFIX "" OUTPUT_NAME TrovlibMovesFolder
                        RUNTIME_OUTPUT_DIRECTORY ${plugin_standin_dir})
endif()
list(APPEND plugin_standins plugin_standin_TrovlibMovesFolder)

# The three plug-ins importing a library of their own that lies beside them (TrovDep.dll).
if(NOT TARGET plugin_standin_TrovDep)
  add_library(plugin_standin_TrovDep SHARED ${CMAKE_CURRENT_LIST_DIR}/standins/TrovDep.c)
  set_target_properties(plugin_standin_TrovDep PROPERTIES PREFIX "" OUTPUT_NAME TrovDep
                        RUNTIME_OUTPUT_DIRECTORY ${plugin_standin_dir})
  foreach(standin Trovlib Trovview Trovev)
    set(standin_target plugin_standin_${standin}Dependent)
    add_library(${standin_target} SHARED ${CMAKE_CURRENT_LIST_DIR}/standins/${standin}.c
                ${CMAKE_CURRENT_LIST_DIR}/standins/${standin}.def)
    target_include_directories(${standin_target} PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_definitions(${standin_target} PRIVATE STANDIN_IMPORTS_DEPENDENCY)
    target_link_libraries(${standin_target} PRIVATE plugin_standin_TrovDep)
    target_link_options(${standin_target} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
    set_target_properties(${standin_target} PROPERTIES PREFIX "" OUTPUT_NAME ${standin}Dependent
                          RUNTIME_OUTPUT_DIRECTORY ${plugin_standin_dir})
  endforeach()
endif()
list(APPEND plugin_standins plugin_standin_TrovDep plugin_standin_TrovlibDependent plugin_standin_TrovviewDependent
     plugin_standin_TrovevDependent)

if(GATHRIX_TEST_BUILD_64)
  set(plugin_other_cc i686-w64-mingw32-gcc-posix)
else()
  set(plugin_other_cc x86_64-w64-mingw32-gcc-posix)
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
file(GLOB plugin_signing_scripts ${CMAKE_CURRENT_LIST_DIR}/signing/*.py)
add_custom_command(
  OUTPUT ${PLUGIN_FIXTURE_DIR}/stamp ${PLUGIN_FIXTURE_DIR}/keys/SignatureKeyData.h
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/signing/make_fixtures.py
          --out ${PLUGIN_FIXTURE_DIR} --standins ${plugin_standin_dir}
          --other-cc ${plugin_other_cc} --other-source ${CMAKE_CURRENT_LIST_DIR}/standins/Empty.c
  COMMAND ${CMAKE_COMMAND} -E touch ${PLUGIN_FIXTURE_DIR}/stamp
  DEPENDS ${plugin_signing_scripts} ${CMAKE_SOURCE_DIR}/collector/collectors/eventdatabase/make_signature_keys.py
          ${plugin_standins}
  COMMENT "Making the plug-in signature fixtures"
  VERBATIM)
add_custom_target(plugin_fixtures DEPENDS ${PLUGIN_FIXTURE_DIR}/stamp)
add_dependencies(${AREA_TEST_TARGET} plugin_fixtures)
# The test program verifies with the test keys (TestSignatureKeys.cpp includes their header) in
# place of the shipped build's.
target_include_directories(${AREA_TEST_TARGET} PRIVATE ${PLUGIN_FIXTURE_DIR}/keys)
