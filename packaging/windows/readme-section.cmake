# cmake -DREADME=FILE -DHEADING=TEXT -DOUTPUT=FILE -P readme-section.cmake
# Writes the README's section that starts with the heading line, up to the next heading of the
# same level, with CR LF line ends so that every Windows editor shows it as written.
file(READ ${README} text)
string(FIND "${text}" "\n${HEADING}\n" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${README} has no line \"${HEADING}\"")
endif()
math(EXPR start "${start} + 1")
string(SUBSTRING "${text}" ${start} -1 section)
string(LENGTH "${HEADING}\n" headingLength)
string(SUBSTRING "${section}" ${headingLength} -1 rest)
string(FIND "${rest}" "\n## " end)
if(NOT end EQUAL -1)
  math(EXPR end "${end} + ${headingLength} + 1")
  string(SUBSTRING "${section}" 0 ${end} section)
endif()
string(REPLACE "\n" "\r\n" section "${section}")
file(WRITE ${OUTPUT} "${section}")
