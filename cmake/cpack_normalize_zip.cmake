# Run by cpack on the packages it made (CPACK_POST_BUILD_SCRIPTS). A zip
# stores its file times as DOS times in the local time zone, so CPack's zip
# differs between time zones even with SOURCE_DATE_EPOCH set;
# strip-nondeterminism rewrites them from that epoch, whatever the zone.
# The deb and the tar archive need nothing: CPack writes their times from
# SOURCE_DATE_EPOCH in UTC and leaves no time in their gzip headers.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.zip$")
    if(NOT CPACK_VUSK_STRIP_NONDETERMINISM)
      message(WARNING "strip-nondeterminism was not found when configuring: "
                      "${package} keeps time stamps in the local time zone")
      continue()
    endif()
    execute_process(COMMAND "${CPACK_VUSK_STRIP_NONDETERMINISM}" -t zip -T "$ENV{SOURCE_DATE_EPOCH}" "${package}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "strip-nondeterminism failed on ${package}")
    endif()
  endif()
endforeach()
