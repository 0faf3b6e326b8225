# The wizard runs the real collector here, which takes the single-instance mutex and delivers an
# archive: one at a time with the other programs' tests that start the collector.
include(${CMAKE_SOURCE_DIR}/wizard/tests/Fixtures.cmake)
set(AREA_TEST_PROPERTIES RESOURCE_LOCK gathrix_running_mutex)
