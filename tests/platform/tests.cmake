# Tests of the platform folder.
kavro_add_test(platform_kernel_tests
  SOURCES platform/files_test.cpp
  LIBS platform util)
kavro_add_test(platform_comm_tests
  SOURCES platform/serial_open_test.cpp platform/serial_read_test.cpp
  LIBS platform util)
kavro_add_test(platform_message_box_tests
  SOURCES platform/message_box_test.cpp
  LIBS platform)
include(platform/gdi_tests.cmake)
include(platform/user_tests.cmake)
