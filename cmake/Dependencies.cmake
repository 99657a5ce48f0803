find_package(PkgConfig REQUIRED)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(HARFBUZZ REQUIRED IMPORTED_TARGET harfbuzz)
# The recorder's picture files.
pkg_check_modules(GIF REQUIRED IMPORTED_TARGET libgif)
pkg_check_modules(WEBPMUX REQUIRED IMPORTED_TARGET libwebpmux)
pkg_check_modules(WEBPDEMUX REQUIRED IMPORTED_TARGET libwebpdemux)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
# Videos, through FFmpeg.
pkg_check_modules(AVFORMAT REQUIRED IMPORTED_TARGET libavformat)
pkg_check_modules(AVCODEC REQUIRED IMPORTED_TARGET libavcodec)
pkg_check_modules(SWSCALE REQUIRED IMPORTED_TARGET libswscale)
pkg_check_modules(AVUTIL REQUIRED IMPORTED_TARGET libavutil)

find_path(WORDNET_INCLUDE_DIR wn.h REQUIRED)
find_library(WORDNET_LIBRARY NAMES WN wordnet REQUIRED)
add_library(wordnet::wordnet UNKNOWN IMPORTED)
set_target_properties(wordnet::wordnet PROPERTIES
  IMPORTED_LOCATION ${WORDNET_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${WORDNET_INCLUDE_DIR})

# Debian's fontTools lives in the system interpreter, not in any
# user-installed Python that may come first on PATH.
find_program(LEXFALL_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT LEXFALL_PYTHON)
  find_program(LEXFALL_PYTHON python3 REQUIRED)
endif()

# The command lines of the programs.
find_package(CLI11 REQUIRED)
