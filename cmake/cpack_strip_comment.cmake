# Run by cpack on the staged files, before it packs them
# (CPACK_PRE_BUILD_SCRIPTS). CPack's own strip leaves the .comment section,
# which names the compiler of every object linked in and serves nothing at
# run time; Debian's packaging strips it too. ELF packages only.
if(CPACK_GENERATOR MATCHES "^(DEB|TGZ)$")
  file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
  list(FILTER staged INCLUDE REGEX "/bin/vusk$")
  foreach(program IN LISTS staged)
    execute_process(COMMAND "${CPACK_VUSK_STRIP}" --remove-section=.comment --remove-section=.note "${program}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "could not strip .comment from ${program}")
    endif()
  endforeach()
  if(NOT staged)
    message(FATAL_ERROR "no staged bin/vusk under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
  endif()
endif()
