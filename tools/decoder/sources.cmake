set(KAVRO_DECODER_SOURCES decode_json.cpp decode_log.cpp)
