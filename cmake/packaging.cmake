# What `cmake --install` puts in place and how scripts/package makes a Debian
# package of it:
#   bin/                    torva, torva-sim, torva-map, torva-laser, torva-export
#                           (each program's folder installs it)
#   share/torva/            font.bmp and mono.bmp, which the station reads when its
#                           run folder has none (found from its own path, so an
#                           unpacked package works wherever it lies)
#   share/applications/     the desktop entry; share/pixmaps/ its icon
include(GNUInstallDirs)

install(FILES ${PROJECT_SOURCE_DIR}/resources/font.bmp ${PROJECT_SOURCE_DIR}/resources/mono.bmp
        DESTINATION ${CMAKE_INSTALL_DATADIR}/torva)
install(FILES ${PROJECT_SOURCE_DIR}/resources/torva.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/torva.xpm DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME torva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "TORVA <torva@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control station for a differential-drive mobile robot")
set(CPACK_PACKAGE_DESCRIPTION
    "TORVA drives a wheeled robot by hand or along a stored route over the robot's
TCP or serial protocol, and shows its laser scan, GPS fix, speed, heading and
map on one dashboard. torva-laser keeps the station's scan file from a SICK
laser scanner (PLS / LMS 2xx on a serial line, TiM / LMS 1xx / LMS 5xx over
CoLa-A). torva-sim, a robot simulator with a laser and a GPS receiver, comes
with it.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The shared libraries the programs load (Qt, GL, GLUT, the C++ runtime) become
# the package's dependencies, as dpkg-shlibdeps reads them from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Software GL for a machine without a driver of its own; gpsd to share the GPS.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gpsd")
set(CPACK_STRIP_FILES ON)
include(CPack)
