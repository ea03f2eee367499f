# The hardening Debian builds its own packages with: fortified C library calls (optimised
# builds only, where the compiler knows the sizes of objects) and a symbol table made read-only
# once the program has started (full RELRO). On every target of the project, through
# kavro_warnings, which each of them links. The sanitizer and fuzzing builds leave them out:
# they check the same calls themselves.
add_library(kavro_hardening INTERFACE)
if(NOT KAVRO_SANITIZE AND NOT KAVRO_FUZZ)
  target_compile_options(kavro_hardening INTERFACE
    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE>
    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
  target_link_options(kavro_hardening INTERFACE -Wl,-z,relro,-z,now)
endif()
target_link_libraries(kavro_warnings INTERFACE kavro_hardening)
