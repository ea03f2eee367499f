# Fuzzing build (clang only): every target compiled with libFuzzer's coverage instrumentation
# and AddressSanitizer + UndefinedBehaviorSanitizer, plus the fuzz targets of tests/fuzz/, one
# per kind of outside input, built into <build>/fuzz/. tests/fuzz/fuzz.sh configures (the preset
# "fuzzing": cmake --preset fuzzing, into build-fuzz/), builds and runs them.
option(KAVRO_FUZZ "Build the libFuzzer targets (clang)" OFF)

function(kavro_add_fuzz_target name)
  add_executable(${name} ${CMAKE_SOURCE_DIR}/tests/fuzz/${name}.cpp)
  target_link_libraries(${name} PRIVATE kavro_core_fuzz kavro_warnings)
  # The port-name and source checks, and gpsd's stream, reach into the platform's comm area.
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/platform)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()

function(kavro_add_fuzz_targets)
  # The program with a small track store, so that a few ticks of one input fill it.
  kavro_add_core(kavro_core_fuzz 8)
  kavro_add_fuzz_target(nmea_fuzz)
  kavro_add_fuzz_target(settings_fuzz)
  kavro_add_fuzz_target(paths_fuzz)
endfunction()

if(KAVRO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KAVRO_FUZZ needs clang: configure with the preset fuzzing (cmake --preset fuzzing).")
  endif()
  # On every target, with the sanitizers (cmake/Sanitizers.cmake).
  target_compile_options(kavro_sanitizers INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  target_link_options(kavro_sanitizers INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
  # The targets need the program's library, which the top level defines further down.
  cmake_language(DEFER CALL kavro_add_fuzz_targets)
endif()
