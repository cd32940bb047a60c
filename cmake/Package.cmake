# Installing and packaging the console program for servers: the program, its man page, a system
# service (with its user and folder) and a user service. `cpack -G DEB` makes quorvane_VERSION_ARCH.deb.
include(GNUInstallDirs)
set(QUORVANE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/quorvane)

# Debian wants the man page and the changelog compressed, and reproducibly (no name, no time stamp).
set(QUORVANE_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package-files)
file(MAKE_DIRECTORY ${QUORVANE_PACKAGE_FILES})
foreach(source data/man/quorvane.1 data/debian/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${QUORVANE_PACKAGE_FILES}/${name}.gz
                     COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/${source} > ${QUORVANE_PACKAGE_FILES}/${name}.gz
                     DEPENDS ${CMAKE_SOURCE_DIR}/${source} VERBATIM)
  list(APPEND QUORVANE_COMPRESSED ${QUORVANE_PACKAGE_FILES}/${name}.gz)
endforeach()
add_custom_target(quorvane_package_files ALL DEPENDS ${QUORVANE_COMPRESSED})

install(TARGETS quorvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT console)
install(FILES ${QUORVANE_PACKAGE_FILES}/quorvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT console)
install(FILES data/systemd/quorvane.service DESTINATION lib/systemd/system COMPONENT console)
install(FILES data/systemd/user/quorvane.service DESTINATION lib/systemd/user COMPONENT console)
install(FILES data/systemd/quorvane.sysusers DESTINATION lib/sysusers.d RENAME quorvane.conf COMPONENT console)
install(FILES data/systemd/quorvane.tmpfiles DESTINATION lib/tmpfiles.d RENAME quorvane.conf COMPONENT console)
install(FILES data/debian/copyright DESTINATION ${QUORVANE_DOCDIR} COMPONENT console)
install(FILES ${QUORVANE_PACKAGE_FILES}/changelog.gz DESTINATION ${QUORVANE_DOCDIR} COMPONENT console)

set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "Brellisto")
set(CPACK_PACKAGE_CONTACT "Brellisto <quorvane@brellisto.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps a host name pointing at a changing public address")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Every few minutes Quorvane learns this computer's public IPv4 address from\n IP-echo web pages and, when it changes, updates the host name at one of\n nineteen Dynamic DNS services. This package holds the console program, its\n system service and a user service.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL console)
set(CPACK_DEBIAN_CONSOLE_PACKAGE_NAME quorvane)
set(CPACK_DEBIAN_CONSOLE_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_CONSOLE_PACKAGE_SECTION net)
set(CPACK_DEBIAN_CONSOLE_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://brellisto.example/quorvane/")
set(CPACK_DEBIAN_CONSOLE_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/data/debian/postinst ${CMAKE_SOURCE_DIR}/data/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_SOURCE_DIR}/dist)
include(CPack)
