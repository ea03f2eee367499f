# Tests of the platform folder.
kavro_add_test(platform_kernel_tests
  SOURCES platform/handles_test.cpp platform/files_test.cpp platform/module_path_test.cpp
          platform/test_support.cpp
  LIBS platform util)
kavro_add_test(platform_message_box_tests
  SOURCES platform/message_box_test.cpp
  LIBS platform)
include(platform/gdi_tests.cmake)
include(platform/user_tests.cmake)
