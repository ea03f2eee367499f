# The window system under SDL's dummy video driver, with a second process, and under Xvfb.
kavro_add_test(platform_user_test
  SOURCES
    platform/user_window_test.cpp
    platform/user_paint_test.cpp
    platform/user_instance_test.cpp
    platform/user_reading_test.cpp
    platform/user_push_button_test.cpp
  LIBS platform PkgConfig::SDL2 PkgConfig::CAIRO)
target_include_directories(platform_user_test PRIVATE ${CMAKE_SOURCE_DIR}/platform)
target_compile_definitions(platform_user_test PRIVATE
  KAVRO_WINDOW_DEMO="$<TARGET_FILE:ce_window_demo>")
add_dependencies(platform_user_test ce_window_demo)

add_executable(ce_window_demo platform/ce_window_demo.cpp)
target_link_libraries(ce_window_demo PRIVATE platform kavro_warnings)
