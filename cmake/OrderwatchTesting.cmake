# ow_add_test(NAME name LABELS label... SOURCES file... LIBS target...)
# One GoogleTest executable, run by CTest as one test with the given labels.
#
# In the Windows cross build only the unit tests are built (they run under Wine, labelled
# "windows" as well); the integration and window tests need the Linux backends.
function(ow_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "LABELS;SOURCES;LIBS" ${ARGN})
  if(WIN32)
    if(NOT "unit" IN_LIST T_LABELS AND NOT "windows" IN_LIST T_LABELS)
      return()
    endif()
    list(APPEND T_LABELS windows)
    list(REMOVE_DUPLICATES T_LABELS)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
endfunction()
