# Tests of the tools: the simulated receiver and the long run's verdict (Python unittest), the
# decoder's JSON (C++; its output on real logs is tests/decoder/), and the quick start under Xvfb.
find_package(Python3 3.11 COMPONENTS Interpreter REQUIRED)

# The Python unit tests exercise no C++ code, so the sanitizer build leaves them out.
if(NOT KAVRO_SANITIZE)
  add_test(NAME tools_nmea_sim
    COMMAND ${Python3_EXECUTABLE} -m unittest discover -s ${CMAKE_SOURCE_DIR}/tests/tools
            -p "test_*.py")
  set_tests_properties(tools_nmea_sim PROPERTIES TIMEOUT 300)
endif()

kavro_add_test(tools_decode_json_test SOURCES tools/decode_json_test.cpp LIBS kavro_decoder)

# The quick start end to end under Xvfb: tools/demo.sh with the simulated receiver and the
# viewer of this build.
add_test(NAME e2e_quickstart_under_xvfb
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/quickstart_e2e.py ${CMAKE_BINARY_DIR})
set_tests_properties(e2e_quickstart_under_xvfb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 240
  RESOURCE_LOCK kavro_main_window)
