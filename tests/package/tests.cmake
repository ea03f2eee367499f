# The Debian package: made once by cpack in the build folder (a fixture, so that any of these
# tests can run alone), then its files and its kavro command, Debian's checkers, the user's
# settings across an upgrade and a second home install, and the installed command end to end
# under Xvfb (taking turns with the other viewers: RESOURCE_LOCK). cpack and the home install
# both write the build folder's install_manifest.txt, so they take turns too.
# The package holds the plain viewer, so the sanitizer build has none of these.
if(NOT KAVRO_SANITIZE)
  add_test(NAME package_build
    COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(package_build PROPERTIES FIXTURES_SETUP kavro_deb TIMEOUT 600
    RESOURCE_LOCK kavro_install_manifest)

  add_test(NAME package_contents_and_command
    COMMAND ${Python3_EXECUTABLE} -m unittest -v package_test
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/package)
  set_tests_properties(package_contents_and_command PROPERTIES
    ENVIRONMENT "KAVRO_DEB=${KAVRO_DEB_FILE};PYTHONDONTWRITEBYTECODE=1")
  add_test(NAME package_upgrade_and_home_install
    COMMAND ${Python3_EXECUTABLE} -m unittest -v upgrade_test
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/package)
  set_tests_properties(package_upgrade_and_home_install PROPERTIES RESOURCE_LOCK kavro_install_manifest
    ENVIRONMENT "KAVRO_DEB=${KAVRO_DEB_FILE};KAVRO_BUILD=${CMAKE_BINARY_DIR};PYTHONDONTWRITEBYTECODE=1")
  add_test(NAME package_validators COMMAND ${CMAKE_SOURCE_DIR}/tests/package/validate.sh ${KAVRO_DEB_FILE})
  add_test(NAME e2e_installed_command_under_xvfb
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/package/installed_e2e.py ${KAVRO_DEB_FILE})
  set_tests_properties(e2e_installed_command_under_xvfb PROPERTIES RESOURCE_LOCK kavro_main_window)
  set_tests_properties(package_contents_and_command package_upgrade_and_home_install package_validators
    e2e_installed_command_under_xvfb
    PROPERTIES FIXTURES_REQUIRED kavro_deb SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
