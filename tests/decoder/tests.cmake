# The decoder's regression tests: every real capture the index lists is decoded and compared
# with its expected lines (decoder_<capture>), the index is checked against both folders, and
# the command line and the distance of generated drives are tested in Python.
set(decoder_dir ${CMAKE_CURRENT_LIST_DIR})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${decoder_dir}/index)
file(STRINGS ${decoder_dir}/index entries REGEX "^[^# \t]")
foreach(entry IN LISTS entries)
  separate_arguments(entry UNIX_COMMAND "${entry}")
  list(GET entry 0 capture)
  list(SUBLIST entry 1 1 chk)
  string(REGEX REPLACE "\\.log$" "" name "${capture}")
  add_test(NAME decoder_${name}
    COMMAND sh ${decoder_dir}/check.sh $<TARGET_FILE:kavro-decode> ${KAVRO_NMEA_DIR} ${capture} ${chk})
endforeach()
add_test(NAME decoder_index COMMAND sh ${decoder_dir}/check.sh --index ${KAVRO_NMEA_DIR})

foreach(suite command_line drives gpx_documents)
  add_test(NAME decoder_${suite} COMMAND ${Python3_EXECUTABLE} -m unittest -v ${suite}
    WORKING_DIRECTORY ${decoder_dir})
  set_tests_properties(decoder_${suite} PROPERTIES TIMEOUT 300 ENVIRONMENT
    "KAVRO_DECODE=$<TARGET_FILE:kavro-decode>;KAVRO_NMEA_DIR=${KAVRO_NMEA_DIR};PYTHONDONTWRITEBYTECODE=1")
endforeach()
