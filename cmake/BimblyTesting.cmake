# bimbly_add_wine_test(NAME name SOURCES ... LIBS ... [RC file.rc])
# A GoogleTest program for Windows, placed in tests-bin/ (tests find the
# deliverables in out/ beside it) and run there under Wine by CTest.
function(bimbly_add_wine_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;RC" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES} ${T_RC})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gtest gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
  if(T_TIMEOUT)
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  endif()
endfunction()
