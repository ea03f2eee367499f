# Tests of the tools: the simulated receiver and the long run's verdict (Python unittest, standard
# library only). They exercise no C++ code, so the sanitizer build leaves them out.
if(NOT KAVRO_SANITIZE)
  find_package(Python3 3.11 COMPONENTS Interpreter REQUIRED)
  add_test(NAME simreceiver
    COMMAND ${Python3_EXECUTABLE} -m unittest discover -s ${CMAKE_SOURCE_DIR}/tests/tools -p "test_*.py")
  set_tests_properties(simreceiver PROPERTIES TIMEOUT 300)
endif()
