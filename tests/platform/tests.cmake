# Files, the module path, ports and the other sources.
kavro_add_test(platform_kernel_tests
  SOURCES platform/files_test.cpp platform/serial_port_test.cpp platform/source_test.cpp
          platform/source_return_test.cpp
  LIBS platform util)
target_include_directories(platform_kernel_tests PRIVATE ${CMAKE_SOURCE_DIR}/platform)
# The module path test starts this probe through links.
add_executable(platform_module_path_probe platform/module_path_probe.cpp)
target_link_libraries(platform_module_path_probe PRIVATE platform kavro_warnings)
target_compile_definitions(platform_kernel_tests PRIVATE
  KAVRO_MODULE_PATH_PROBE="$<TARGET_FILE:platform_module_path_probe>")
add_dependencies(platform_kernel_tests platform_module_path_probe)
# Drawing: Win32 rules, pixels on real cairo surfaces and text (the same-pixels test compares
# with cairo drawing in the DC's own font); and the window system under SDL's dummy video
# driver, with a second process (the CE-style program, which tests/e2e/window_e2e.py also
# drives under Xvfb).
kavro_add_test(platform_gdi_user_tests
  SOURCES platform/gdi_draw_test.cpp platform/gdi_same_pixels_test.cpp
          platform/user_window_test.cpp platform/user_paint_test.cpp
          platform/user_push_button_test.cpp platform/user_layout_test.cpp
  LIBS platform PkgConfig::SDL2 PkgConfig::CAIRO)
target_include_directories(platform_gdi_user_tests PRIVATE ${CMAKE_SOURCE_DIR}/platform)
add_executable(ce_window_demo platform/ce_window_demo.cpp)
target_link_libraries(ce_window_demo PRIVATE platform kavro_warnings)
target_compile_definitions(platform_gdi_user_tests PRIVATE KAVRO_WINDOW_DEMO="$<TARGET_FILE:ce_window_demo>")
add_dependencies(platform_gdi_user_tests ce_window_demo)
