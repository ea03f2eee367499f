set(KAVRO_APP_SOURCES track_state.cpp)
