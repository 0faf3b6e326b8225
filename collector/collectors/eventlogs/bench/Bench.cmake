# Benchmark of the event-log job (a program, not a test). Results: README.md, "Performance".
#   make bench_eventlog   60,000 and 6,000 events through the stand-in wevtapi.dll into the
#                         result writer with its split
add_executable(eventlog_bench ${CMAKE_CURRENT_LIST_DIR}/EventlogBench.cpp)
target_link_libraries(eventlog_bench PRIVATE gathrix_collector psapi)
target_link_options(eventlog_bench PRIVATE -municode)
set_target_properties(eventlog_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_custom_target(bench_eventlog
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run-eventlog-bench.sh ${CMAKE_BINARY_DIR}
  DEPENDS eventlog_bench wevtapi_standin USES_TERMINAL)
