# Tests of the app folder.
kavro_add_test(app_log_file_test SOURCES app/log_file_test.cpp LIBS kavro_core)
kavro_add_test(app_main_window_test SOURCES app/main_window_test.cpp LIBS kavro_core)
# The executable as a process. It runs under the program's own window class and title, which
# the single-instance rule makes one per user: these tests and the end-to-end run take turns.
kavro_add_test(app_program_test SOURCES app/program_test.cpp LIBS kavro_core
  PROPERTIES RESOURCE_LOCK kavro_main_window)
target_compile_definitions(app_program_test PRIVATE KAVRO_EXECUTABLE="$<TARGET_FILE:kavro>")
add_dependencies(app_program_test kavro)

# End to end: the executable under Xvfb or headless, with the simulated receiver.
include(e2e/tests.cmake)
