# cmake -DDESCRIPTION=packaging/description.txt -DREADME=README.md -P this
# Fails unless the README's first paragraph is the description's first
# paragraph (after its summary line), blanks and line breaks aside.
function(first_paragraph file out)
  file(READ ${file} text)
  string(FIND "${text}" "\n" end) # past the summary, or the title
  string(SUBSTRING "${text}" ${end} -1 text)
  string(STRIP "${text}" text)
  string(FIND "${text}" "\n\n" end)
  string(SUBSTRING "${text}" 0 ${end} text)
  string(REGEX REPLACE "[ \n]+" " " text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

first_paragraph(${DESCRIPTION} description)
first_paragraph(${README} readme)
if(NOT readme STREQUAL description)
  message(FATAL_ERROR "The README's first paragraph is not the first paragraph of ${DESCRIPTION}:\n"
                      "README:      ${readme}\ndescription: ${description}")
endif()
