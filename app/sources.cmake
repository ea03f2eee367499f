set(KAVRO_APP_SOURCES main_window.cpp start_up.cpp)
