# Tests of the app folder.
kavro_add_test(app_log_file_test SOURCES app/log_file_test.cpp LIBS kavro_core)
kavro_add_test(app_main_window_test SOURCES app/main_window_test.cpp LIBS kavro_core)
# End to end: the executable under Xvfb or headless, with the simulated receiver.
include(e2e/tests.cmake)
