# The listers' formatting code is tested in-process: the test program compiles it as well.
target_sources(${AREA_TEST_TARGET} PRIVATE
  ${CMAKE_SOURCE_DIR}/tools/procscout/ProcessListing.cpp
  ${CMAKE_SOURCE_DIR}/tools/provlist/ProviderReport.cpp)
include(${CMAKE_SOURCE_DIR}/tools/tests/StandIn.cmake)
