# Tests of the core folder: the text conversion the settings and the info panel share.
kavro_add_test(core_text_test SOURCES core/text_test.cpp LIBS kavro_core)
