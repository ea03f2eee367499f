# The program's own code, every area (core/ is the one the others build on): one library per
# track-store size (the viewer's, and a small one for tests of a full store), plus the thin
# executable.
include(core/sources.cmake)
include(app/sources.cmake)
include(gps/sources.cmake)
include(track/sources.cmake)
include(view/sources.cmake)
include(log/sources.cmake)
include(record/sources.cmake)

set(KAVRO_PROGRAM_SOURCES)
foreach(area core app gps track view log record)
  string(TOUPPER ${area} AREA)
  foreach(src ${KAVRO_${AREA}_SOURCES})
    list(APPEND KAVRO_PROGRAM_SOURCES ${CMAKE_SOURCE_DIR}/${area}/${src})
  endforeach()
endforeach()

function(kavro_add_core name capacity)
  add_library(${name} STATIC ${KAVRO_PROGRAM_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${name} PUBLIC KAVRO_TRACK_CAPACITY=${capacity}
    KAVRO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} KAVRO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    KAVRO_VERSION_PATCH=${PROJECT_VERSION_PATCH})
  target_link_libraries(${name} PUBLIC platform kavro_resources PRIVATE kavro_warnings)
endfunction()

kavro_add_core(kavro_core 100000)
if(KAVRO_BUILD_TESTS)
  kavro_add_core(kavro_core_small 8)
endif()

# An executable named kavro in the given folder: the program library and a main. The viewer
# is one; the measured viewer (tests/measure/) is linked the same way, so that what the long
# run measures is what ships.
function(kavro_add_viewer name main folder)
  add_executable(${name} ${main})
  target_link_libraries(${name} PRIVATE kavro_core kavro_warnings)
  # The viewer uses a sliver of the C++ runtime. Linked in, that sliver is all it loads; the
  # shared library's relocations and start-up would keep about 1.2 MB of it resident.
  # (The sanitizers want the shared runtime.)
  if(NOT KAVRO_SANITIZE)
    target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
  set_target_properties(${name} PROPERTIES OUTPUT_NAME kavro RUNTIME_OUTPUT_DIRECTORY ${folder})
endfunction()

# The viewer, assembled with its companions into a ready program folder (build/kavro/):
# the executable, an example Tolm.ini and a note on linking COMn to a receiver.
kavro_add_viewer(kavro ${CMAKE_SOURCE_DIR}/app/main.cpp ${CMAKE_BINARY_DIR}/kavro)
configure_file(${CMAKE_SOURCE_DIR}/res/Tolm.ini ${CMAKE_BINARY_DIR}/kavro/Tolm.ini COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/res/RECEIVER.txt ${CMAKE_BINARY_DIR}/kavro/RECEIVER.txt COPYONLY)
