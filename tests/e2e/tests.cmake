# End to end: the real executable, fed by the simulated receiver, under Xvfb (driven with xdotool
# and read from screenshots) or headless. Each runs a Kavro of its own, and only one runs per
# user, so they take turns with the executable's process tests (RESOURCE_LOCK). The scripts exit
# 77 (skipped) without Xvfb, xdotool or ImageMagick where a window must be seen.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  # The platform's window under X: tests/platform/ce_window_demo.cpp, a CE-style program.
  add_test(NAME e2e_window_under_xvfb
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/window_e2e.py $<TARGET_FILE:ce_window_demo>)
  set_tests_properties(e2e_window_under_xvfb PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)

  add_test(NAME e2e_viewer_under_xvfb
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/viewer_e2e.py ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_viewer_under_xvfb PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 120 RESOURCE_LOCK kavro_main_window)

  # Faults: a bad line, a receiver unplugged, odd settings files and program folders, three
  # starts at once (faults_e2e.py --list names them).
  set(KAVRO_FAULT_SCENARIOS
    noise-1hz-4800 noise-1hz-115200 noise-5hz-4800 noise-5hz-115200 cut nul absurd hangup
    settings-file read-only-folder unicode-folder simultaneous-starts)
  foreach(scenario IN LISTS KAVRO_FAULT_SCENARIOS)
    add_test(NAME e2e_fault_${scenario}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/faults_e2e.py ${CMAKE_BINARY_DIR} ${scenario})
    set_tests_properties(e2e_fault_${scenario} PROPERTIES
      SKIP_RETURN_CODE 77 TIMEOUT 120 RESOURCE_LOCK kavro_main_window)
  endforeach()

  # Sources: a device path, TCP, UDP, gpsd (Debian's, on a free loopback port), a flood, silent
  # sources and malformed PORT values (sources_e2e.py --list names them). The gpsd scenario is
  # skipped without gpsd.
  set(KAVRO_SOURCE_SCENARIOS device-path tcp udp gpsd flood silent bad-settings)
  foreach(scenario IN LISTS KAVRO_SOURCE_SCENARIOS)
    add_test(NAME e2e_source_${scenario}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/sources_e2e.py ${CMAKE_BINARY_DIR} ${scenario})
    set_tests_properties(e2e_source_${scenario} PROPERTIES
      SKIP_RETURN_CODE 77 TIMEOUT 120 RESOURCE_LOCK kavro_main_window)
  endforeach()

  # Two minutes of the long run (tools/long_run, 30 minutes by default): memory, descriptors,
  # live handles and the timer must hold steady. Not in the sanitizer build, whose memory grows
  # by design (freed blocks wait in quarantine).
  if(NOT KAVRO_SANITIZE)
    add_test(NAME e2e_long_run_2min
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/long_run --minutes 2 ${CMAKE_BINARY_DIR})
    set_tests_properties(e2e_long_run_2min PROPERTIES
      SKIP_RETURN_CODE 77 TIMEOUT 300 RESOURCE_LOCK kavro_main_window)
  endif()
endif()
