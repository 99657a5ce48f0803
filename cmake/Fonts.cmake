# The two faces the program loads, placed in share/lexfall/fonts/ of the
# build tree (and installed to the same place beside bin/).
set(LEXFALL_FONT_DIR ${LEXFALL_SHARE_DIR}/fonts)
set(LEXFALL_ARIAL_SOURCE /usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf)
set(LEXFALL_SYMBOL_SOURCE /usr/share/fonts/opentype/urw-base35/StandardSymbolsPS.otf)

add_custom_command(
  OUTPUT ${LEXFALL_FONT_DIR}/arial.ttf
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LEXFALL_FONT_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${LEXFALL_ARIAL_SOURCE} ${LEXFALL_FONT_DIR}/arial.ttf
  DEPENDS ${LEXFALL_ARIAL_SOURCE}
  COMMENT "Copying Liberation Sans as arial.ttf")

add_custom_command(
  OUTPUT ${LEXFALL_FONT_DIR}/Symbol.ttf
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LEXFALL_FONT_DIR}
  COMMAND ${LEXFALL_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/make-symbol-font.py
          ${LEXFALL_SYMBOL_SOURCE} ${LEXFALL_FONT_DIR}/Symbol.ttf
  DEPENDS ${LEXFALL_SYMBOL_SOURCE} ${CMAKE_SOURCE_DIR}/scripts/make-symbol-font.py
  COMMENT "Converting Standard Symbols PS to Symbol.ttf")

add_custom_target(lexfall_fonts ALL
  DEPENDS ${LEXFALL_FONT_DIR}/arial.ttf ${LEXFALL_FONT_DIR}/Symbol.ttf)

install(FILES ${LEXFALL_FONT_DIR}/arial.ttf ${LEXFALL_FONT_DIR}/Symbol.ttf
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lexfall/fonts)
