# The real request backends (libcurl) against local servers, directly through their seams and
# through the two request routines.
ow_add_test(NAME http_integration_tests LABELS integration
  SOURCES integration_environment.cpp request_object_curl_test.cpp internet_api_curl_test.cpp
          fetch_routines_integration_test.cpp wire_rules_test.cpp
  LIBS ow_http_system ow_test_servers)

# Overlapping requests on several threads, for the thread sanitizer build as well.
ow_add_test(NAME http_concurrency_tests LABELS integration concurrency
  SOURCES concurrent_fetch_test.cpp
  LIBS ow_http_system ow_test_servers)
