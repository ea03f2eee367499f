# Warnings shared by every target of the project. Each target links kavro_warnings, and with it
# the build's sanitizer and hardening flags (cmake/Sanitizers.cmake, cmake/Hardening.cmake).
add_library(kavro_warnings INTERFACE)
target_compile_options(kavro_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
if(KAVRO_WERROR)
  target_compile_options(kavro_warnings INTERFACE -Werror)
endif()
# GCC's flow analysis gives false alarms inside the standard library (std::regex) once the
# sanitizers instrument it; the plain build keeps the warning.
if(KAVRO_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(kavro_warnings INTERFACE -Wno-maybe-uninitialized)
endif()
