# The stand-in program that plays a process lister or an external program.
include(${CMAKE_SOURCE_DIR}/tools/tests/StandIn.cmake)
