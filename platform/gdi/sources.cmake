set(PLATFORM_GDI_SOURCES
  cairo_draw.cpp
  dc.cpp
  fonts.cpp
  objects.cpp
  raster.cpp
  recording.cpp
  text.cpp)
