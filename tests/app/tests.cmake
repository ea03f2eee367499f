# Tests of the app folder.
kavro_add_test(app_log_file_test SOURCES app/log_file_test.cpp LIBS kavro_core)
kavro_add_test(app_resources_test SOURCES app/resources_test.cpp LIBS kavro_resources)
kavro_add_test(app_main_window_test SOURCES app/main_window_test.cpp LIBS kavro_core)
# The executable as a process. It runs under the program's own window class and title, which
# the single-instance rule makes one per user: these tests and the end-to-end run take turns.
kavro_add_test(app_program_test SOURCES app/program_test.cpp LIBS kavro_core
  PROPERTIES RESOURCE_LOCK kavro_main_window)
target_compile_definitions(app_program_test PRIVATE KAVRO_EXECUTABLE="$<TARGET_FILE:kavro>")
add_dependencies(app_program_test kavro)

# End to end: the viewer under Xvfb, fed by the simulated receiver, driven with xdotool and read
# from screenshots. Skipped (77) without Xvfb, xdotool or ImageMagick.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME e2e_viewer_under_xvfb
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/viewer_e2e.py $<TARGET_FILE:kavro>)
  set_tests_properties(e2e_viewer_under_xvfb PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 120 RESOURCE_LOCK kavro_main_window)
endif()
