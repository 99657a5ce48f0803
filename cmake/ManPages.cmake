# Section 1 man pages, written by help2man from each program's own --help,
# so a page lists exactly the options the program takes. What --help does
# not say (name, files, examples) comes from packaging/man/PROGRAM.h2m.in.
find_program(LEXFALL_HELP2MAN help2man)
if(NOT LEXFALL_HELP2MAN)
  message(WARNING "help2man not found: the man pages are neither built nor installed")
endif()

set(LEXFALL_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/lexfall)
set(LEXFALL_MAN_DIR ${CMAKE_BINARY_DIR}/share/man/man1)

function(lexfall_man_page target)
  if(NOT LEXFALL_HELP2MAN)
    return()
  endif()
  # The paths the page names, as installed.
  set(LEXFALL_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/lexfall)
  set(LEXFALL_DOC_DIR ${CMAKE_INSTALL_PREFIX}/${LEXFALL_DOC_DIR})
  set(include ${CMAKE_BINARY_DIR}/man-includes/${target}.h2m)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/man/${target}.h2m.in ${include} @ONLY)

  set(page ${LEXFALL_MAN_DIR}/${target}.1)
  # help2man dates the page from SOURCE_DATE_EPOCH when it is set.
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${LEXFALL_MAN_DIR}
    COMMAND ${LEXFALL_HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
            --include=${include} --output=${page} $<TARGET_FILE:${target}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${target} ${include}
    COMMENT "Writing the man page of ${target}"
    VERBATIM)
  add_custom_target(${target}_man_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
