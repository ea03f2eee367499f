# Tests of the simulated receiver and of the test machinery (the long run's verdict, the
# end-to-end harness's namespace and skips), in Python unittest, and of the decoder's JSON (C++;
# its output on real logs is tests/decoder/). The quick start is tests/e2e/.
# The Python unit tests exercise no C++ code, so the sanitizer build leaves them out. A case
# skipped inside them (no IPv6 loopback) shows as the whole test skipped, naming the case.
if(NOT KAVRO_SANITIZE)
  add_test(NAME tools_nmea_sim
    COMMAND ${Python3_EXECUTABLE} -m unittest discover -v -s ${CMAKE_CURRENT_LIST_DIR} -p "test_*.py")
  set_tests_properties(tools_nmea_sim PROPERTIES TIMEOUT 300 SKIP_REGULAR_EXPRESSION "OK \\(skipped=")
endif()

kavro_add_test(tools_decode_json_test SOURCES tools/decode_json_test.cpp LIBS kavro_decoder)
