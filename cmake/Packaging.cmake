# What a kiosk PC gets: the three programs with the renderer's solver worker,
# the documentation, and the Debian package that carries them (cpack -G DEB
# in a build folder). Everything the programs show or print (pictures,
# texts, layouts) is compiled in; fonts, the Qt platform plugins and the
# print commands come from Debian packages named in Depends.
include(GNUInstallDirs)

set(BP_PACKAGE_NAME bridgeprint-kiosk)
set(BP_PACKAGE_MAINTAINER "BridgePrint kiosk developers <kiosk@bridgeprint.example.org>"
    CACHE STRING "Maintainer field of the Debian package")
# Debian's place for a package's documents, named after the package rather
# than after the CMake project.
set(BP_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${BP_PACKAGE_NAME})

install(TARGETS bridgeprint-kiosk bridgeprint-render scoring-server-sim
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Started only by bridgeprint-render, never by a person: out of the PATH.
install(TARGETS ${BP_SOLVER_PROGRAM} RUNTIME DESTINATION ${BP_SOLVER_INSTALL_DIR})
# README links to docs/..., so the documents keep that folder beside it.
install(FILES README.md DESTINATION ${BP_DOCDIR})
file(GLOB _bp_docs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md ${PROJECT_SOURCE_DIR}/docs/*.png)
install(FILES ${_bp_docs} DESTINATION ${BP_DOCDIR}/docs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${BP_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "BridgePrint")
set(CPACK_PACKAGE_CONTACT ${BP_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-service scorecard printing kiosk for bridge tournaments")
set(CPACK_PACKAGE_DESCRIPTION
  "A touch-screen kiosk that stands next to a bridge tournament's scoring server.\n"
  "After each round the server says which teams or pairs may print, and a player\n"
  "touches his entry and gets his scorecard printed on one A4 page: results\n"
  "board by board, totals, seating and every deal with its auction.\n"
  "Texts read in Chinese and English.\n"
  "\n"
  "Also contains bridgeprint-render, which prints a scorecard to PDF or PNG\n"
  "without a display or printer, and scoring-server-sim, a reference scoring\n"
  "server with a sample tournament for demonstrations.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
# The installed programs carry no debugging information.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${BP_PACKAGE_MAINTAINER})
# dpkg-shlibdeps names the shared libraries' packages (Qt, CUPS, jsoncpp, the
# C++ runtime); the list below is what the kiosk needs without linking it:
# the Chinese and Latin fonts the scorecards are drawn with, Qt's platform
# plugins (xcb on the kiosk screen, offscreen for bridgeprint-render), and
# the print commands (lpstat, lpadmin, cancel) the director sets up and
# watches the kiosk's printer with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
#
# The kiosk session adds: the X server with its input driver and startx (the
# display the service runs the kiosk on), the in-process on-screen keyboard
# with the QML modules it is drawn with, and pam_systemd with
# systemd-sysusers for the service's session and user. bridgeprint-render's
# solver worker opens the double-dummy solver (libdds0) only for hand
# records, at run time, so dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-wqy-microhei, fonts-dejavu-core, cups-client, qt6-qpa-plugins, "
    "xserver-xorg-core, xserver-xorg-input-libinput, xinit, "
    "qt6-virtualkeyboard-plugin, qml6-module-qtquick-virtualkeyboard, qml6-module-qtqml-workerscript, "
    "qml6-module-qt-labs-folderlistmodel, qml6-module-qtquick, qml6-module-qtquick-layouts, "
    "qml6-module-qtquick-window, libpam-systemd, systemd, libdds0")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DEPENDS ${CPACK_DEBIAN_PACKAGE_DEPENDS})
# postinst makes the service's user and restarts a running kiosk after an
# upgrade, prerm stops and disables the service when the package is removed,
# postrm clears what the kiosk left when it is purged. The PAM file and the X
# server's configuration in /etc are conffiles, so a change the
# administrator makes to them survives an upgrade.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst ${PROJECT_SOURCE_DIR}/packaging/prerm
    ${PROJECT_SOURCE_DIR}/packaging/postrm ${PROJECT_SOURCE_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
