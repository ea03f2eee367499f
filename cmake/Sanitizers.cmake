# AddressSanitizer + UndefinedBehaviorSanitizer, halting on the first error. Every target of the
# project links kavro_warnings and through it these, so the whole build is instrumented: the
# platform, the program, its tools and its tests (the fuzzing build adds libFuzzer's coverage,
# tests/fuzz/fuzzing.cmake).
add_library(kavro_sanitizers INTERFACE)
if(KAVRO_SANITIZE)
  target_compile_options(kavro_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  target_link_options(kavro_sanitizers INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
target_link_libraries(kavro_warnings INTERFACE kavro_sanitizers)
