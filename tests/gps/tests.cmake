# Tests of the gps folder: the NMEA reader, settings and paths, and the port on pseudo-terminals.
kavro_add_test(gps_nmea_parse_test SOURCES gps/nmea_parse_test.cpp LIBS kavro_core)
kavro_add_test(gps_port_test SOURCES gps/gps_port_test.cpp LIBS kavro_core)
kavro_add_test(gps_settings_test SOURCES gps/settings_test.cpp LIBS kavro_core)
