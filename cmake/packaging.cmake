# Installation and release packages: a Debian package from the Linux build,
# a tar archive from the static Linux build, a zip from the Windows build.
# Included from the top-level CMakeLists.txt once the vusk target exists.
include(GNUInstallDirs)

set(VUSK_PACKAGE_MAINTAINER
    "vusk maintainers <maintainers@users.noreply.c-seed-ab88ac50.example>"
    CACHE STRING "Maintainer named in the release packages")

# Every time stamp in a release (the manual page's date, the packages'
# file times) comes from SOURCE_DATE_EPOCH, so that two builds of one
# commit give the same bytes. When it is unset it is the last commit's
# time; a tree without git history falls back to now.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VUSK_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
  set(epoch_from "SOURCE_DATE_EPOCH")
else()
  find_package(Git QUIET)
  if(Git_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE VUSK_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE git_status ERROR_QUIET)
  endif()
  if(Git_FOUND AND git_status EQUAL 0 AND VUSK_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    set(epoch_from "the last commit")
  else()
    string(TIMESTAMP VUSK_SOURCE_DATE_EPOCH "%s" UTC)
    set(epoch_from "the clock: no git history, so this build is not reproducible")
  endif()
  # string(TIMESTAMP) below reads it too.
  set(ENV{SOURCE_DATE_EPOCH} "${VUSK_SOURCE_DATE_EPOCH}")
endif()
message(STATUS "Release time stamps: ${VUSK_SOURCE_DATE_EPOCH}, from ${epoch_from}")
string(TIMESTAMP VUSK_MAN_DATE "%B %Y" UTC)

# The Debian copyright file is LICENSE in machine-readable form (DEP-5):
# its copyright line, then the licence's text as the License field's body,
# each line indented by one space and a blank line written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
if(NOT license_text MATCHES "Copyright \\(c\\) ([^\n]*)\n\n(.*[^\n])\n*$")
  message(FATAL_ERROR "LICENSE: no \"Copyright (c)\" line followed by the licence text")
endif()
set(VUSK_COPYRIGHT "${CMAKE_MATCH_1}")
string(REPLACE "\n\n" "\n.\n" VUSK_LICENSE_BODY " ${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " VUSK_LICENSE_BODY "${VUSK_LICENSE_BODY}")

if(WIN32)
  # A flat zip: vusk.exe with its README, the licence and the note on
  # WINIO.dll, which is not ours to ship and has to sit beside vusk.exe (or
  # in the system directory) when the program runs.
  install(TARGETS vusk RUNTIME DESTINATION .)
  install(FILES README.md LICENSE doc/WINIO-README.txt DESTINATION .)
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

  if(VUSK_STATIC)
    # The tar archive is for any distribution: the licence as it stands.
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  else()
    # The Debian package carries it as Debian's copyright file, with the
    # changelog beside it, gzipped as policy asks and without a time stamp.
    configure_file(doc/copyright.in ${PROJECT_BINARY_DIR}/doc/copyright @ONLY)
    add_custom_command(
      OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.gz
      COMMAND ${VUSK_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/doc/changelog > changelog.gz
      DEPENDS ${PROJECT_SOURCE_DIR}/doc/changelog
      WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/doc
      COMMENT "Compressing the changelog"
      VERBATIM)
    add_custom_target(vusk_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.gz)
    install(FILES ${PROJECT_BINARY_DIR}/doc/copyright ${PROJECT_BINARY_DIR}/doc/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DOCDIR})
  endif()
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

# cpack runs apart from this configure step: it gets the time stamp (unless
# its caller set one) and the clean-up of the archives from here.
configure_file(cmake/cpack_project_config.cmake.in ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake)
set(CPACK_VUSK_STRIP "${CMAKE_STRIP}")
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack_strip_comment.cmake)
if(WIN32)
  find_program(CPACK_VUSK_STRIP_NONDETERMINISM strip-nondeterminism)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack_normalize_zip.cmake)
endif()

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
elseif(VUSK_STATIC)
  # Unpacks into one directory in the GNU layout, so that
  # "tar -xzf ... -C /usr/local --strip-components=1" installs it.
  set(CPACK_GENERATOR TGZ)
  string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" VUSK_ARCH)
  set(CPACK_PACKAGE_FILE_NAME "vusk-${PROJECT_VERSION}-linux-${VUSK_ARCH}")
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
