# Run by CPack once the package's files are staged (CPACK_PRE_BUILD_SCRIPTS): strips every program
# as Debian's dh_strip does, without the symbols it does not need and without the sections
# .comment (compiler versions) and .note; the allocated sections, the version block among them,
# stay.
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note --strip-unneeded "${program}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "strip failed on ${program}")
  endif()
endforeach()
if(NOT programs)
  message(FATAL_ERROR "no programs to strip under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
