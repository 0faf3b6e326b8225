# The plug-in signature keys of the shipped build: one generated header, compiled into
# SignatureKeys.cpp. The maker's public keys (PEM) and the legacy length mask are given at
# configure time; without them the moduli are zero and every signed plug-in is refused (the
# event-database job then exports through the fallback plug-in). The test programs link keys of
# their own instead (collector/collectors/eventdatabase/tests/Fixtures.cmake).
set(GATHRIX_SIGNATURE_KEY_P "" CACHE FILEPATH "The maker's plug-in signature key 'P' (PEM)")
set(GATHRIX_SIGNATURE_KEY_D "" CACHE FILEPATH "The maker's plug-in signature key 'D' (PEM)")
set(GATHRIX_LEGACY_LENGTH_MASK "00000000" CACHE STRING "The legacy signature's length mask (8 hex digits)")
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(GATHRIX_SIGNATURE_KEY_DIR ${CMAKE_BINARY_DIR}/generated/signature-keys)
execute_process(
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/make_signature_keys.py
          ${GATHRIX_SIGNATURE_KEY_DIR}/SignatureKeyData.h
          --key-p "${GATHRIX_SIGNATURE_KEY_P}" --key-d "${GATHRIX_SIGNATURE_KEY_D}"
          --mask "${GATHRIX_LEGACY_LENGTH_MASK}"
  RESULT_VARIABLE signature_keys_result)
if(NOT signature_keys_result EQUAL 0)
  message(FATAL_ERROR "Could not generate the plug-in signature key header")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make_signature_keys.py)
target_include_directories(gathrix_collector PRIVATE ${GATHRIX_SIGNATURE_KEY_DIR})
