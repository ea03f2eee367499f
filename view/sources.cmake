set(KAVRO_VIEW_SOURCES
  track_plot.cpp
  compass.cpp
  info_panel.cpp)
list(APPEND KAVRO_VIEW_SOURCES zoom_buttons.cpp)
