# Installing Kavro as a Linux application, and its Debian package (cpack in the build folder
# makes build/kavro_<version>_<arch>.deb). The same layout under any prefix (/usr, ~/.local),
# in GNUInstallDirs' places:
#   bin/kavro                             the command: makes the user's program folder and starts the viewer
#   lib/kavro/kavro                       the viewer, never written; each user starts it through a link
#   share/doc/kavro/examples/Tolm.ini     the example settings the command copies into a new user folder
#   share/applications, share/icons/hicolor, share/metainfo, share/man/man1, share/doc/kavro
# Nothing is installed into share/kavro: under the prefix ~/.local that is the user's own
# program folder (~/.local/share/kavro), and an install must never write over their settings.
include(GNUInstallDirs)
set(KAVRO_APP_ID org.kavro.Kavro)
set(KAVRO_HOME_URL "https://kavro.org" CACHE STRING "The project's web address, for the package and its metadata")
set(KAVRO_MAINTAINER "Kavro developers <kavro@kavro.org>")

set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(generated ${CMAKE_BINARY_DIR}/packaging)

# The viewer is a program of the package's own, not a library, so it goes where Debian keeps
# those, /usr/lib/<package>, whatever CMAKE_INSTALL_LIBDIR says (under /usr that is the
# multiarch folder lib/<triplet>, which is for libraries); the command finds it from there.
set(KAVRO_VIEWER_DIR lib/kavro)
set(KAVRO_BIN_DIR ${CMAKE_INSTALL_BINDIR})
set(KAVRO_EXAMPLES_DIR ${CMAKE_INSTALL_DOCDIR}/examples)
# The command finds the installation from its own place, so these must lie under the prefix.
foreach(dir KAVRO_BIN_DIR KAVRO_EXAMPLES_DIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} (${${dir}}) must be relative to the prefix, for the kavro command to find it")
  endif()
endforeach()
file(RELATIVE_PATH KAVRO_BIN_TO_PREFIX /prefix/${KAVRO_BIN_DIR} /prefix)
# The Debian package's prefix; the manual page names the files there.
set(KAVRO_PACKAGE_PREFIX /usr)

# Made at build time: the kavro command with its version and places, the window's icon as a
# PNG, the metainfo with the project's web address, and the gzipped manual page and changelog
# (gzip -n: no time stamp, the same bytes from every build).
configure_file(${packaging}/${KAVRO_APP_ID}.metainfo.xml.in ${generated}/${KAVRO_APP_ID}.metainfo.xml @ONLY)
configure_file(${packaging}/kavro.sh ${generated}/kavro @ONLY)
configure_file(${packaging}/kavro.1.in ${generated}/kavro.1 @ONLY)
add_custom_command(OUTPUT ${generated}/${KAVRO_APP_ID}.png
  COMMAND program_icon_png ${generated}/${KAVRO_APP_ID}.png
  DEPENDS program_icon_png
  COMMENT "Writing the program icon as a PNG")
foreach(page kavro.1 changelog)
  if(page STREQUAL "changelog")
    set(source ${packaging}/changelog)
  else()
    set(source ${generated}/${page})
  endif()
  add_custom_command(OUTPUT ${generated}/${page}.gz
    COMMAND gzip -9 -n -c ${source} > ${generated}/${page}.gz
    DEPENDS ${source} VERBATIM)
endforeach()
add_custom_target(kavro_install_files ALL
  DEPENDS ${generated}/${KAVRO_APP_ID}.png ${generated}/kavro.1.gz ${generated}/changelog.gz)

install(TARGETS kavro RUNTIME DESTINATION ${KAVRO_VIEWER_DIR})
# Stripped (as cpack and `cmake --install --strip` do), the notes the compiler left go too.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${KAVRO_VIEWER_DIR}/kavro\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
install(PROGRAMS ${generated}/kavro DESTINATION ${KAVRO_BIN_DIR})
install(FILES ${packaging}/Tolm.ini DESTINATION ${KAVRO_EXAMPLES_DIR})
install(FILES ${packaging}/${KAVRO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${generated}/${KAVRO_APP_ID}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
install(FILES ${packaging}/${KAVRO_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${generated}/${KAVRO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${generated}/kavro.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/copyright ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package.
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE KAVRO_DEB_ARCH
  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT KAVRO_DEB_ARCH)
  set(KAVRO_DEB_ARCH amd64)
endif()
set(KAVRO_DEB_FILE ${CMAKE_BINARY_DIR}/kavro_${PROJECT_VERSION}_${KAVRO_DEB_ARCH}.deb)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kavro developers")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX ${KAVRO_PACKAGE_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live GPS track viewer")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${packaging}/description.txt)
set(CPACK_DEBIAN_FILE_NAME kavro_${PROJECT_VERSION}_${KAVRO_DEB_ARCH}.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${KAVRO_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KAVRO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KAVRO_HOME_URL}")
# The libraries' packages from dpkg-shlibdeps; the fonts are looked up by name, so no linker
# sees them: Liberation Sans draws the display, DejaVu Sans stands in when it is missing.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core")
# With gpsd installed, a receiver plugged in is ready for the example settings (PORT = gpsd).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS gpsd)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
