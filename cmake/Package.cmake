# The Debian package: `sh scripts/dev.sh package` configures a release tree
# with the prefix /usr and runs cpack there.

set(LEXFALL_HOMEPAGE "https://github.com/lexfall/lexfall")
set(LEXFALL_MAINTAINER "The Lexfall developers <lexfall@users.noreply.github.com>")

# Documentation: the README, the demo script as an example, and the
# pictures and the performance notes the README links, where it expects them.
install(FILES README.md DESTINATION ${LEXFALL_DOC_DIR})
install(FILES docs/demo.gif docs/glyph-A.svg docs/performance.md DESTINATION ${LEXFALL_DOC_DIR}/docs)
install(FILES docs/demo.lexfall DESTINATION ${LEXFALL_DOC_DIR}/examples)

# The copyright file: Lexfall's own statement, then the copyright files of
# the font packages the two faces are made from.
set(LEXFALL_LIBERATION_COPYRIGHT_FILE /usr/share/doc/fonts-liberation2/copyright)
set(LEXFALL_URW_COPYRIGHT_FILE /usr/share/doc/fonts-urw-base35/copyright)
if(EXISTS ${LEXFALL_LIBERATION_COPYRIGHT_FILE} AND EXISTS ${LEXFALL_URW_COPYRIGHT_FILE})
  file(READ ${LEXFALL_LIBERATION_COPYRIGHT_FILE} LEXFALL_LIBERATION_COPYRIGHT)
  file(READ ${LEXFALL_URW_COPYRIGHT_FILE} LEXFALL_URW_COPYRIGHT)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${LEXFALL_LIBERATION_COPYRIGHT_FILE} ${LEXFALL_URW_COPYRIGHT_FILE})
  set(LEXFALL_FONT_INSTALL_DIR ${CMAKE_INSTALL_FULL_DATADIR}/lexfall/fonts)
  configure_file(packaging/copyright.in ${CMAKE_BINARY_DIR}/copyright @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${LEXFALL_DOC_DIR})
else()
  message(WARNING "the font packages' copyright files are missing: no copyright file is installed")
endif()

# The changelog, from the releases the metainfo lists.
set(LEXFALL_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(
  OUTPUT ${LEXFALL_CHANGELOG}
  COMMAND ${LEXFALL_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/metainfo-to-changelog.py
          ${LEXFALL_METAINFO} lexfall ${LEXFALL_MAINTAINER} ${LEXFALL_CHANGELOG}
  DEPENDS ${LEXFALL_METAINFO} ${CMAKE_SOURCE_DIR}/scripts/metainfo-to-changelog.py
  COMMENT "Writing the changelog from the metainfo's releases"
  VERBATIM)
add_custom_target(lexfall_changelog ALL DEPENDS ${LEXFALL_CHANGELOG})
install(FILES ${LEXFALL_CHANGELOG} DESTINATION ${LEXFALL_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lexfall)
set(CPACK_PACKAGE_VENDOR "The Lexfall developers")
# From packaging/description.txt (cmake/Description.cmake).
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${LEXFALL_SUMMARY}")
set(CPACK_PACKAGE_DESCRIPTION "${LEXFALL_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT ${LEXFALL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${LEXFALL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${LEXFALL_HOMEPAGE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries come from dpkg-shlibdeps; the data read at run time are
# WordNet's database and a face fontconfig can fall back on.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "wordnet-base, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-noto-core, fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
