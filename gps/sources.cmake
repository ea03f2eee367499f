set(KAVRO_GPS_SOURCES gps_port.cpp nmea_reader.cpp)
