# Tests of the tools: the simulated receiver and the long run's verdict (Python unittest), the
# decoder (Python against the logs' own text, C++ for its JSON), and the quick start under Xvfb.
# Decoders run side by side: each has a window title of its own.
find_package(Python3 3.11 COMPONENTS Interpreter REQUIRED)

# The Python unit tests exercise no C++ code, so the sanitizer build leaves them out.
if(NOT KAVRO_SANITIZE)
  add_test(NAME tools_nmea_sim
    COMMAND ${Python3_EXECUTABLE} -m unittest discover -s ${CMAKE_SOURCE_DIR}/tests/tools
            -p "test_*.py")
  set_tests_properties(tools_nmea_sim PROPERTIES TIMEOUT 300)
endif()

kavro_add_test(tools_decode_json_test SOURCES tools/decode_json_test.cpp LIBS kavro_decoder)

set(decoder_environment KAVRO_DECODE=$<TARGET_FILE:kavro-decode> KAVRO_NMEA_DIR=${KAVRO_NMEA_DIR}
  PYTHONDONTWRITEBYTECODE=1)
foreach(suite decode_logs decode_drives)
  add_test(NAME tools_${suite}
    COMMAND ${Python3_EXECUTABLE} -m unittest -v ${suite}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/tools)
  set_tests_properties(tools_${suite} PROPERTIES TIMEOUT 300
    ENVIRONMENT "${decoder_environment}")
endforeach()

# The quick start end to end under Xvfb: tools/demo.sh with the simulated receiver and the
# viewer of this build.
add_test(NAME e2e_quickstart_under_xvfb
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/quickstart_e2e.py ${CMAKE_BINARY_DIR})
set_tests_properties(e2e_quickstart_under_xvfb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 240
  RESOURCE_LOCK kavro_main_window)
