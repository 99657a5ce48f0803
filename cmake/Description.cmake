# What Lexfall is, written once in packaging/description.txt: its first
# line is the summary, then come paragraphs and lists (lines that start
# with "- "), apart by blank lines. The Debian package's description and
# the AppStream metainfo are made from it; the README's first paragraph is
# its first paragraph (a test checks).
set(LEXFALL_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/packaging/description.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LEXFALL_DESCRIPTION_FILE})

# Sets LEXFALL_SUMMARY, LEXFALL_DESCRIPTION (the Debian package's) and
# LEXFALL_DESCRIPTION_XML (the metainfo's).
function(lexfall_describe)
  file(READ ${LEXFALL_DESCRIPTION_FILE} text)
  string(FIND "${text}" "\n" end)
  string(SUBSTRING "${text}" 0 ${end} summary)
  string(SUBSTRING "${text}" ${end} -1 body)
  string(STRIP "${body}" body)
  set(LEXFALL_SUMMARY "${summary}" PARENT_SCOPE)

  # Debian shows an indented line as it is written: a list item keeps its line.
  string(REPLACE "\n- " "\n - " debian "${body}")
  set(LEXFALL_DESCRIPTION "${debian}" PARENT_SCOPE)

  # Semicolons are kept apart while the text is a CMake list of blocks.
  string(ASCII 31 kept)
  string(REPLACE ";" "${kept}" blocks "${body}")
  string(REGEX REPLACE "\n\n+" ";" blocks "${blocks}")
  set(xml "")
  foreach(block IN LISTS blocks)
    string(REPLACE "${kept}" ";" block "${block}")
    string(REPLACE "&" "&amp;" block "${block}")
    string(REPLACE "<" "&lt;" block "${block}")
    string(REPLACE ">" "&gt;" block "${block}")
    if(block MATCHES "^- ")
      string(SUBSTRING "${block}" 2 -1 block)
      string(REPLACE "\n- " "${kept}" block "${block}")
      string(REPLACE "\n" " " block "${block}")
      string(REPLACE "${kept}" "</li>\n      <li>" block "${block}")
      string(APPEND xml "    <ul>\n      <li>${block}</li>\n    </ul>\n")
    else()
      string(REPLACE "\n" "\n      " block "${block}")
      string(APPEND xml "    <p>\n      ${block}\n    </p>\n")
    endif()
  endforeach()
  string(REGEX REPLACE "\n$" "" xml "${xml}")
  set(LEXFALL_DESCRIPTION_XML "${xml}" PARENT_SCOPE)
endfunction()

lexfall_describe()
set(LEXFALL_METAINFO ${CMAKE_BINARY_DIR}/share/metainfo/io.github.lexfall.Lexfall.metainfo.xml)
configure_file(${CMAKE_SOURCE_DIR}/packaging/io.github.lexfall.Lexfall.metainfo.xml.in ${LEXFALL_METAINFO} @ONLY)
