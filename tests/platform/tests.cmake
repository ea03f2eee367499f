kavro_add_test(platform_kernel_tests
  SOURCES platform/files_test.cpp
  LIBS platform util)
# The module path test starts this probe through links.
add_executable(platform_module_path_probe platform/module_path_probe.cpp)
target_link_libraries(platform_module_path_probe PRIVATE platform kavro_warnings)
target_compile_definitions(platform_kernel_tests PRIVATE
  KAVRO_MODULE_PATH_PROBE="$<TARGET_FILE:platform_module_path_probe>")
add_dependencies(platform_kernel_tests platform_module_path_probe)
kavro_add_test(platform_comm_tests
  SOURCES platform/serial_open_test.cpp platform/serial_read_test.cpp platform/source_test.cpp
  LIBS platform util)
target_include_directories(platform_comm_tests PRIVATE ${CMAKE_SOURCE_DIR}/platform)
kavro_add_test(platform_message_box_tests
  SOURCES platform/message_box_test.cpp
  LIBS platform)
# Drawing: Win32 rules, pixels on real cairo surfaces, text, and the recording seam. The
# same-pixels test compares with cairo drawing in the DC's own font.
kavro_add_test(platform_gdi_test
  SOURCES platform/gdi_objects_test.cpp platform/gdi_draw_test.cpp
          platform/gdi_same_pixels_test.cpp
  LIBS platform PkgConfig::CAIRO)
target_include_directories(platform_gdi_test PRIVATE ${CMAKE_SOURCE_DIR}/platform)
include(platform/user_tests.cmake)
