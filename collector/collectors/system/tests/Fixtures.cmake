# The stand-in program that plays a process lister or an external program.
include(${CMAKE_SOURCE_DIR}/tools/tests/StandIn.cmake)
# The event-database plug-in fixtures.
include(${CMAKE_CURRENT_LIST_DIR}/PluginFixtures.cmake)
# Fixtures of the system tests, made at build time into ${CMAKE_BINARY_DIR}/fixtures/system.
include(${CMAKE_CURRENT_LIST_DIR}/EventlogFixtures.cmake)
