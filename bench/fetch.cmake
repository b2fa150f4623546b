# The request routines over the real backends against a loopback server. The servers come from
# the test fixtures, so these exist only when the tests are built.
if(TARGET ow_test_servers AND NOT WIN32)
  add_executable(bench_fetch fetch_bench.cpp)
  target_link_libraries(bench_fetch PRIVATE ow_http_system ow_test_servers benchmark::benchmark)

  add_executable(bench_fetch_tool fetch_tool.cpp)
  target_link_libraries(bench_fetch_tool PRIVATE ow_http_system ow_test_servers)
endif()
