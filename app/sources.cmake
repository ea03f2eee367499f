set(KAVRO_APP_SOURCES track_state.cpp main_window.cpp start_up.cpp)
