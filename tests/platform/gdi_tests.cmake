# Tests of the drawing area (platform/gdi): Win32 rules, pixels on real cairo surfaces, text,
# and the recording seam.
kavro_add_test(platform_gdi_test
  SOURCES platform/gdi_objects_test.cpp platform/gdi_draw_test.cpp
          platform/gdi_same_pixels_test.cpp
  LIBS platform PkgConfig::CAIRO)
# The same-pixels test compares with cairo drawing in the DC's own font.
target_include_directories(platform_gdi_test PRIVATE ${CMAKE_SOURCE_DIR}/platform)
