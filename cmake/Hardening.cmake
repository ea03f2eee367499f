# The hardening Debian builds its own packages with: fortified C library calls (optimised
# builds only, where the compiler knows the sizes of objects) and a symbol table made read-only
# once the program has started (full RELRO). The sanitizer and fuzzing builds leave them out:
# they check the same calls themselves.
if(NOT KAVRO_SANITIZE AND NOT KAVRO_FUZZ)
  add_compile_options($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE>
                      $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
  add_link_options(-Wl,-z,relro,-z,now)
endif()
