# Tests of the view folder.
kavro_add_test(view_test
  SOURCES view/track_plot_test.cpp view/compass_test.cpp view/info_panel_test.cpp
          view/screen_test.cpp
  LIBS kavro_core)
kavro_add_test(view_zoom_buttons_test SOURCES view/zoom_buttons_test.cpp LIBS kavro_core)
