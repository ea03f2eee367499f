set(KAVRO_GPS_SOURCES)
list(APPEND KAVRO_GPS_SOURCES program_path.cpp settings.cpp)
