# Warnings shared by every target of the project.
add_library(kavro_warnings INTERFACE)
target_compile_options(kavro_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
if(KAVRO_WERROR)
  target_compile_options(kavro_warnings INTERFACE -Werror)
endif()
