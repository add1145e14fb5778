# What "cmake --install" puts where, and the Debian package built from it by CPack (scripts/package).
# The program goes to bin/, everything it ships with to share/dravik/, where the installed program
# finds it relative to its own folder.

include(GNUInstallDirs)

set(DRAVIK_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/dravik)

install(TARGETS dravik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/VuzUvazuzuvar.db DESTINATION ${DRAVIK_SHARE_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/benches ${PROJECT_SOURCE_DIR}/data/scripts
        DESTINATION ${DRAVIK_SHARE_DIR})
# Sample protocol files, firmware images and configuration backups: each folder is optional, and
# one that appears later in the tree is packaged without configuring again.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/protocols ${PROJECT_SOURCE_DIR}/data/firmware
        ${PROJECT_SOURCE_DIR}/data/configurations DESTINATION ${DRAVIK_SHARE_DIR} OPTIONAL)
install(FILES ${PROJECT_SOURCE_DIR}/data/udev/70-dravik.rules DESTINATION ${DRAVIK_SHARE_DIR}/udev)
install(FILES ${PROJECT_SOURCE_DIR}/data/udev/70-dravik.rules DESTINATION lib/udev/rules.d)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/dravik.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/dravik.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/dravik-256.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME dravik.png)

# The user documentation, where the help and the manual page point: scripted runs, session
# recordings, the simulated benches and the vehicle report.
install(FILES ${PROJECT_SOURCE_DIR}/docs/scripting.md ${PROJECT_SOURCE_DIR}/docs/recording.md
        ${PROJECT_SOURCE_DIR}/docs/bench.md ${PROJECT_SOURCE_DIR}/docs/report.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dravik)

# The copyright file and the Debian change log every package carries.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dravik)
set(DRAVIK_CHANGELOG ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${DRAVIK_CHANGELOG}
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${DRAVIK_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the Debian change log")
add_custom_target(dravik_changelog ALL DEPENDS ${DRAVIK_CHANGELOG})
install(FILES ${DRAVIK_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dravik)

# The manual page, written from the program's --help.
set(DRAVIK_MAN_PAGE ${PROJECT_BINARY_DIR}/dravik.1)
add_custom_command(
  OUTPUT ${DRAVIK_MAN_PAGE}.gz
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:dravik> -DOUTPUT=${DRAVIK_MAN_PAGE}
          -P ${PROJECT_SOURCE_DIR}/packaging/ManPage.cmake
  COMMAND ${CMAKE_COMMAND} -E rm -f ${DRAVIK_MAN_PAGE}.gz
  COMMAND gzip -9 -n -k ${DRAVIK_MAN_PAGE}
  DEPENDS dravik ${PROJECT_SOURCE_DIR}/packaging/ManPage.cmake
  COMMENT "Writing the manual page dravik.1 from --help"
  VERBATIM)
add_custom_target(dravik_manpage ALL DEPENDS ${DRAVIK_MAN_PAGE}.gz)
install(FILES ${DRAVIK_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dravik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGE_VENDOR "Dravik developers")
set(CPACK_PACKAGE_CONTACT "Dravik developers <developers@dravik.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vehicle-electronics programming tool")
# Lines of the long description stay under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Identifies vehicle products and the modules behind them through the USB
adapter, reads and sets their parameters on a panel built from a product
database, programs protocols into modules, and shows every exchange in its
status log. Runs without hardware on a simulated bench (dravik --simulate,
dravik --demo).")
set(CPACK_PACKAGE_INSTALL_DIRECTORY dravik)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library packages from the program's own links; udev for the access rule's reload.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "udev")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
