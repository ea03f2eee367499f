# Tests of the track folder.
kavro_add_test(track_tick_test SOURCES track/tick_test.cpp LIBS kavro_core)
kavro_add_test(track_full_store_test SOURCES track/full_store_test.cpp LIBS kavro_core_small)
