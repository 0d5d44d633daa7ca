# The Debian package: `cpack --config build/CPackConfig.cmake` (or
# `cmake --build build --target package`) makes kdx_<version>_<arch>.deb with
# the program, kdx-cli, kdx-sim, the data files, the desktop entry and the udev rule
# for FTDI-based adapters. scripts/check-deb builds and checks it.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/70-kdx-serial.rules DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kdx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Service tool for the KDX water-dosing controller (RQ412)")
set(CPACK_PACKAGE_DESCRIPTION
    "Finds the controller on a USB RS-485 adapter, reads and edits its parameters, shows its live state, upgrades its firmware and runs the production self-test. Includes kdx-cli, the same procedures from the command line for scripts and production lines, and kdx-sim, a simulated controller on a pseudo-terminal.")
set(CPACK_PACKAGE_CONTACT "KDX service <service@kdx.local>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_SOURCE_DIR}/packaging/postinst;${CMAKE_SOURCE_DIR}/packaging/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
