# Installation and release packages: a Debian package from the Linux build,
# a zip from the Windows build. Included from the top-level CMakeLists.txt
# once the vusk target exists.
include(GNUInstallDirs)

set(VUSK_PACKAGE_MAINTAINER
    "vusk maintainers <maintainers@users.noreply.c-seed-ab88ac50.example>"
    CACHE STRING "Maintainer named in the release packages")

if(WIN32)
  # A flat zip: vusk.exe with its README and the note on WINIO.dll, which is
  # not ours to ship and has to sit beside vusk.exe (or in the system
  # directory) when the program runs.
  install(TARGETS vusk RUNTIME DESTINATION .)
  install(FILES README.md doc/WINIO-README.txt DESTINATION .)
else()
  install(TARGETS vusk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # The manual page carries the project's version and is installed gzipped,
  # as Debian policy asks; -n leaves the name and time stamp out, so the
  # same page always gives the same bytes.
  configure_file(doc/vusk.1.in ${PROJECT_BINARY_DIR}/doc/vusk.1 @ONLY)
  find_program(VUSK_GZIP gzip REQUIRED)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/doc/vusk.1.gz
    COMMAND ${VUSK_GZIP} -9 -n -c vusk.1 > vusk.1.gz
    DEPENDS ${PROJECT_BINARY_DIR}/doc/vusk.1
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/doc
    COMMENT "Compressing the manual page"
    VERBATIM)
  add_custom_target(vusk_manpage ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/vusk.1.gz)
  install(FILES ${PROJECT_BINARY_DIR}/doc/vusk.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME vusk)
set(CPACK_PACKAGE_VENDOR "vusk maintainers")
set(CPACK_PACKAGE_CONTACT "${VUSK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "switch a multi-mode parallel-port programming adapter into a cable mode")
# Debian shows the description as it stands, so it is wrapped here.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "vusk puts a multi-mode programming and debugging adapter on a PC parallel"
  "(LPT) port into one of five cable modes: ByteBlasterMV, Xilinx JTAG,"
  "PonyProg, MSP430 JTAG or ARM Wiggler JTAG. It writes the mode's code to"
  "the port's data register and latches it with two writes to the control"
  "register. On Linux it reaches the port through the kernel's parallel-port"
  "driver (ppdev, /dev/parportN), so it needs no root: a member of group lp"
  "runs it, under Secure Boot (kernel lockdown) too, once the parport_pc and"
  "ppdev modules are loaded. Where the driver cannot serve the port it falls"
  "back to /dev/port, which needs root or CAP_SYS_RAWIO and which lockdown"
  "refuses.")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VUSK_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Depends is worked out from the binary by dpkg-shlibdeps (dpkg-dev).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
