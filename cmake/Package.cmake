# Installing and packaging the console program for servers: the program, its man page, a system
# service (with its user and folder) and a user service. `cpack -G DEB` makes quorvane_VERSION_ARCH.deb,
# and, when quorvane-gui is built, quorvane-gui_VERSION_ARCH.deb: the desktop program, its menu entry,
# icons and man page. The two share no file, so they install side by side.
include(GNUInstallDirs)
set(QUORVANE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/quorvane)

# Debian wants the man page and the changelog compressed, and reproducibly (no name, no time stamp).
set(QUORVANE_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package-files)
file(MAKE_DIRECTORY ${QUORVANE_PACKAGE_FILES})
set(QUORVANE_MAN_PAGES data/man/quorvane.1)
if(TARGET quorvane-gui)
  list(APPEND QUORVANE_MAN_PAGES data/man/quorvane-gui.1)
endif()
foreach(source ${QUORVANE_MAN_PAGES} data/debian/changelog)
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

set(QUORVANE_COMPONENTS console)
if(TARGET quorvane-gui)
  # The program, its menu entry and the scalable icon are installed beside its target. Menus and
  # panels that take no SVG get a 48 px PNG, drawn from the SVG at build time so that the two never
  # differ (rsvg-convert: Debian's librsvg2-bin).
  list(APPEND QUORVANE_COMPONENTS gui)
  set(QUORVANE_GUI_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/quorvane-gui)
  find_program(QUORVANE_RSVG_CONVERT rsvg-convert)
  if(QUORVANE_RSVG_CONVERT)
    add_custom_command(OUTPUT ${QUORVANE_PACKAGE_FILES}/quorvane.png
                       COMMAND ${QUORVANE_RSVG_CONVERT} --width 48 --height 48 --output
                               ${QUORVANE_PACKAGE_FILES}/quorvane.png ${CMAKE_SOURCE_DIR}/data/quorvane.svg
                       DEPENDS ${CMAKE_SOURCE_DIR}/data/quorvane.svg VERBATIM)
    add_custom_target(quorvane_gui_icon ALL DEPENDS ${QUORVANE_PACKAGE_FILES}/quorvane.png)
    install(FILES ${QUORVANE_PACKAGE_FILES}/quorvane.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps COMPONENT gui)
  else()
    message(STATUS "rsvg-convert not found: quorvane-gui is installed without its 48 px PNG icon")
  endif()
  install(FILES ${QUORVANE_PACKAGE_FILES}/quorvane-gui.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT gui)
  install(FILES data/debian/copyright DESTINATION ${QUORVANE_GUI_DOCDIR} COMPONENT gui)
  install(FILES ${QUORVANE_PACKAGE_FILES}/changelog.gz DESTINATION ${QUORVANE_GUI_DOCDIR} COMPONENT gui)
endif()

set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "Brellisto")
set(CPACK_PACKAGE_CONTACT "Brellisto <quorvane@brellisto.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps a host name pointing at a changing public address")
# CPack puts the summary first and one blank before every other line.
set(QUORVANE_DESCRIPTION "Every few minutes Quorvane learns this computer's public IPv4 address from\n\
IP-echo web pages and, when it changes, updates the host name at one of\n\
nineteen Dynamic DNS services.")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "${QUORVANE_DESCRIPTION} This package holds the console program, its\nsystem service and a user service.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${QUORVANE_COMPONENTS})
set(CPACK_DEBIAN_CONSOLE_PACKAGE_NAME quorvane)
set(CPACK_DEBIAN_CONSOLE_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_CONSOLE_PACKAGE_SECTION net)
set(CPACK_DEBIAN_CONSOLE_PACKAGE_SHLIBDEPS ON)
# The desktop program needs nothing of the console package; `quorvane --set` and `--status` work on
# its settings too, hence the suggestion.
set(CPACK_DEBIAN_GUI_PACKAGE_NAME quorvane-gui)
set(CPACK_DEBIAN_GUI_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_GUI_PACKAGE_SECTION net)
set(CPACK_DEBIAN_GUI_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_GUI_PACKAGE_SUGGESTS quorvane)
# "View Log" hands the change log to xdg-open (Qt's way to open a file outside a full desktop).
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_GUI_DESCRIPTION "${QUORVANE_DESCRIPTION} This package holds the desktop program: a tray\n\
icon with its menu, a settings window, and a notice when an update fails.")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://brellisto.example/quorvane/")
set(CPACK_DEBIAN_CONSOLE_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/data/debian/postinst ${CMAKE_SOURCE_DIR}/data/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_SOURCE_DIR}/dist)
include(CPack)
