# Tests of the view folder.
kavro_add_test(view_test
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/view/track_plot_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/view/compass_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/view/info_panel_test.cpp
  LIBS kavro_core)
kavro_add_test(view_zoom_buttons_test SOURCES view/zoom_buttons_test.cpp LIBS kavro_core)
