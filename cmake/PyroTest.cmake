# pyro_add_test(NAME SOURCES a.cpp ... LIBS lib ... [DISPLAY] [LABELS l ...])
# Registers one GoogleTest program with CTest. DISPLAY runs it under its own
# headless X server (tests/run-with-display.sh), so tests can run in parallel.
function(pyro_add_test name)
  cmake_parse_arguments(T "DISPLAY" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  # Tests include their helpers by their path from the top ("tests/...").
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(T_DISPLAY)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/run-with-display.sh $<TARGET_FILE:${name}>)
    list(APPEND T_LABELS gui)
  else()
    add_test(NAME ${name} COMMAND ${name})
    list(APPEND T_LABELS core)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "PYRO_SOURCE_DIR=${PROJECT_SOURCE_DIR};PYRO_BINARY_DIR=${PROJECT_BINARY_DIR};G_DEBUG=fatal-criticals")
endfunction()
