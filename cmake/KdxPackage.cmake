# The Debian package: `cpack --config build/CPackConfig.cmake` (or
# `cmake --build build --target package`) makes kdx_<version>_<arch>.deb with
# the program, kdx-cli, kdx-sim, the data files, the desktop entry with its
# AppStream metadata, the udev rule for the common USB RS-485 adapters, the
# manual pages, the copyright file and the changelog. scripts/check-deb
# builds it and checks it with lintian and appstreamcli.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/70-kdx-serial.rules DESTINATION lib/udev/rules.d)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kdx.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME eu.kdx_controllers.kdx.metainfo.xml)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kdx)

# Compressed as Debian wants them: gzip -9, no name or time stamp inside.
set(kdx_doc_dir ${CMAKE_BINARY_DIR}/doc)
add_custom_command(OUTPUT ${kdx_doc_dir}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${kdx_doc_dir}
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${kdx_doc_dir}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
set(kdx_doc_files ${kdx_doc_dir}/changelog.gz)

# Manual pages from each program's own --help, so they never disagree.
find_program(KDX_HELP2MAN help2man)
if(KDX_HELP2MAN)
  set(kdx_man_kdx "service tool for the KDX water-dosing controller")
  set(kdx_man_kdx-cli "the KDX service tool's procedures from the command line")
  set(kdx_man_kdx-sim "simulated KDX controller on a pseudo-terminal")
  foreach(program kdx kdx-cli kdx-sim)
    add_custom_command(OUTPUT ${kdx_doc_dir}/${program}.1.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${kdx_doc_dir}
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
              ${KDX_HELP2MAN} --no-info --no-discard-stderr --section=1
              --version-string=${PROJECT_VERSION} "--name=${kdx_man_${program}}"
              --output=${kdx_doc_dir}/${program}.1 $<TARGET_FILE:${program}>
      COMMAND gzip -9nf ${kdx_doc_dir}/${program}.1
      DEPENDS ${program} VERBATIM)
    list(APPEND kdx_man_pages ${kdx_doc_dir}/${program}.1.gz)
  endforeach()
  install(FILES ${kdx_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
add_custom_target(kdx_docs ALL DEPENDS ${kdx_doc_files} ${kdx_man_pages})
install(FILES ${kdx_doc_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kdx)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kdx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Service tool for the KDX water-dosing controller (RQ412)")
# Wrapped by hand: the Debian control file keeps each line as written.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Finds the controller on a USB RS-485 adapter, reads and edits its"
    "parameters, shows its live state, upgrades its firmware and runs the"
    "production self-test. Includes kdx-cli, the same procedures from the"
    "command line for scripts and production lines, and kdx-sim, a simulated"
    "controller on a pseudo-terminal.")
set(CPACK_PACKAGE_CONTACT "KDX service <service@kdx-controllers.eu>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_SOURCE_DIR}/packaging/postinst;${CMAKE_SOURCE_DIR}/packaging/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
