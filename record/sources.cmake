set(KAVRO_RECORD_SOURCES gpx_writer.cpp track_file.cpp track_recorder.cpp)
