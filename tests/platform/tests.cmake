# Tests of the platform folder.
include(platform/gdi_tests.cmake)
