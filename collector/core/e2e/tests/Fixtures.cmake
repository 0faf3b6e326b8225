# Every test here starts the collector, which takes the single-instance mutex and may deliver to
# the prefix's shared desktop: one at a time, also against other programs' tests that do the same.
set(AREA_TEST_PROPERTIES RESOURCE_LOCK gathrix_running_mutex)
