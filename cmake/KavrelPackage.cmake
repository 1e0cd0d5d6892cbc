# The Debian package: `cpack -G DEB` in a build tree configured with
# CMAKE_INSTALL_PREFIX=/usr (tools/dev package). Runtime dependencies come
# from dpkg-shlibdeps; the one maintainer script only makes the udev rule take
# effect. With the multiarch library folder the private module folder is not
# one the loader searches, so CPack adds no ldconfig scripts.

set(KAVREL_DEBIAN_DIR ${PROJECT_SOURCE_DIR}/data/debian)
set(KAVREL_PACKAGE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kavrel)

# Debian wants the copyright file and a compressed changelog in the package's documentation folder.
configure_file(${KAVREL_DEBIAN_DIR}/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9nkf ${CMAKE_BINARY_DIR}/debian/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
  VERBATIM)
add_custom_target(kavrel_package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${KAVREL_DEBIAN_DIR}/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz DESTINATION ${KAVREL_PACKAGE_DOCDIR})
# The .kavrel-profile format, which kavrel-cli(1) points to.
install(FILES ${PROJECT_SOURCE_DIR}/docs/profile-file.md DESTINATION ${KAVREL_PACKAGE_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kavrel developers")
set(CPACK_PACKAGE_CONTACT "The Kavrel developers <maintainers@users.noreply.c-seed-67fcce72.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration program for the Kavrel USB gaming keyboard")
set(CPACK_PACKAGE_DESCRIPTION
  "Kavrel gives any key of the keyboard another function (a key combination,
a media key, a recorded macro or its factory function), sets the keyboard's
lighting, keeps a macro library and three profiles that switch by hand or
when a named program runs, and writes them into the keyboard.
.
The package holds the window program kavrel, the command line companion
kavrel-cli and a udev rule that lets the user logged in at the seat write
to the keyboard without root.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(KAVREL_GUI)
  # Qt loads its Wayland platform as a plug-in, which dpkg-shlibdeps cannot see.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KAVREL_DEBIAN_DIR}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
