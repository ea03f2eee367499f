set(KAVRO_GPS_SOURCES gps_port.cpp nmea_reader.cpp)
list(APPEND KAVRO_GPS_SOURCES settings.cpp)
