# Tests of the window system (platform/user, platform/shell) under SDL's dummy video driver, a
# second process for the single instance, and one end-to-end run under Xvfb.
add_executable(platform_user_instance_helper platform/user_instance_helper.cpp)
target_link_libraries(platform_user_instance_helper
  PRIVATE platform kavro_warnings PkgConfig::CAIRO)
target_include_directories(platform_user_instance_helper PRIVATE ${CMAKE_SOURCE_DIR}/platform)

kavro_add_test(platform_user_test
  SOURCES
    platform/user_window_test.cpp
    platform/user_paint_test.cpp
    platform/user_resources_test.cpp
    platform/user_instance_test.cpp
  LIBS platform PkgConfig::SDL2 PkgConfig::CAIRO)
target_include_directories(platform_user_test PRIVATE ${CMAKE_SOURCE_DIR}/platform)
target_compile_definitions(platform_user_test PRIVATE
  KAVRO_INSTANCE_HELPER="$<TARGET_FILE:platform_user_instance_helper>")
add_dependencies(platform_user_test platform_user_instance_helper)

# A small program written as a Windows CE program, driven end to end under Xvfb.
add_executable(ce_window_demo platform/ce_window_demo.cpp)
target_link_libraries(ce_window_demo PRIVATE platform kavro_warnings)
add_test(NAME e2e_window_under_xvfb
  COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/window_e2e.sh $<TARGET_FILE:ce_window_demo>)
set_tests_properties(e2e_window_under_xvfb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
