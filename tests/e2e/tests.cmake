# End to end: the real executable, fed by the simulated receiver, under Xvfb (driven with xdotool
# and read from screenshots) or headless. The harness runs each script in a network namespace of
# its own, where no other Kavro on the machine meets its viewer; the viewers still take turns
# (RESOURCE_LOCK), so that their timing checks do not share the processor. The scripts exit 77
# (skipped, with the cause; a failure in CI) without Xvfb, xdotool or ImageMagick where a window
# must be seen, or where no network namespace may be made.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(e2e ${CMAKE_CURRENT_LIST_DIR})
  # The platform's window under X: tests/platform/ce_window_demo.cpp, a CE-style program.
  add_test(NAME e2e_window_under_xvfb COMMAND ${Python3_EXECUTABLE} ${e2e}/window_e2e.py $<TARGET_FILE:ce_window_demo>)

  # The quick start as a user runs it (tools/demo.sh with the simulated receiver and this
  # build's viewer): the viewer's own walk (start, display, Z+, drag, Ok).
  add_test(NAME e2e_quickstart_under_xvfb COMMAND ${Python3_EXECUTABLE} ${e2e}/quickstart_e2e.py ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_quickstart_under_xvfb PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 240 RESOURCE_LOCK kavro_main_window)

  # One test per scenario of a script, as its --list names them: e2e_<name>_<scenario>, added
  # to each list named after the name (the viewer's tests, and the long ones).
  function(kavro_add_scenarios script name)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${e2e}/${script})
    execute_process(COMMAND ${Python3_EXECUTABLE} ${e2e}/${script} --list
      OUTPUT_VARIABLE scenarios OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(REPLACE "\n" ";" scenarios "${scenarios}")
    foreach(scenario IN LISTS scenarios)
      add_test(NAME e2e_${name}_${scenario}
        COMMAND ${Python3_EXECUTABLE} ${e2e}/${script} ${CMAKE_BINARY_DIR} ${scenario})
      set_tests_properties(e2e_${name}_${scenario} PROPERTIES ENVIRONMENT "KAVRO_NMEA_DIR=${KAVRO_NMEA_DIR}")
      foreach(list IN LISTS ARGN)
        set(${list} ${${list}} e2e_${name}_${scenario} PARENT_SCOPE)
        set(${list} ${${list}} e2e_${name}_${scenario})
      endforeach()
    endforeach()
  endfunction()

  # Faults (faults_e2e.py): a bad line, a receiver unplugged, odd settings files and program
  # folders, three starts at once. Sources (sources_e2e.py): a device path, TCP, UDP, gpsd
  # (Debian's, on a free loopback port), a flood, silent sources and malformed PORT values.
  # Displays (displays_e2e.py): native Wayland and XWayland under a headless cage, a tap under
  # sway, other window sizes, a small screen, 200 %, no display at all, a display that goes away.
  foreach(kind IN ITEMS fault source display)
    kavro_add_scenarios(${kind}s_e2e.py ${kind} viewer_tests)
  endforeach()
  # Sources that hold up, one theme a script: a source that goes away and comes back
  # (reconnect_e2e.py), opens that fail with their reason or are bounded in time
  # (opens_e2e.py), and fast sources that never fall behind (fast_source_e2e.py).
  foreach(theme IN ITEMS reconnect opens fast_source)
    kavro_add_scenarios(${theme}_e2e.py ${theme} viewer_tests long_tests)
  endforeach()
  # Tracks (tracks_e2e.py): a replayed capture killed with SIGKILL or ended with Ok, a file size
  # limit, a full tmpfs, a read-only folder and TRACKS = off, the files read by gpsbabel and gpxpy.
  kavro_add_scenarios(tracks_e2e.py track viewer_tests)

  set_tests_properties(e2e_window_under_xvfb ${viewer_tests} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
  # A minute without the source, two minutes of a fast drive.
  set_tests_properties(${long_tests} PROPERTIES TIMEOUT 240)
  set_tests_properties(${viewer_tests} PROPERTIES RESOURCE_LOCK kavro_main_window)

  # Two minutes of the long run (tests/long_run, 30 minutes by default): memory, descriptors,
  # live handles and the timer must hold steady. Not in the sanitizer build, whose memory grows
  # by design (freed blocks wait in quarantine).
  if(NOT KAVRO_SANITIZE)
    add_test(NAME e2e_long_run_2min
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/long_run --minutes 2 ${CMAKE_BINARY_DIR})
    set_tests_properties(e2e_long_run_2min PROPERTIES
      SKIP_RETURN_CODE 77 TIMEOUT 300 RESOURCE_LOCK kavro_main_window)
  endif()
endif()
