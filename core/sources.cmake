set(KAVRO_CORE_SOURCES track_state.cpp program_path.cpp text.cpp)
