# The stand-in program that plays a process lister or an external program.
include(${CMAKE_SOURCE_DIR}/tools/tests/StandIn.cmake)
# The event-database plug-in fixtures.
include(${CMAKE_CURRENT_LIST_DIR}/PluginFixtures.cmake)
