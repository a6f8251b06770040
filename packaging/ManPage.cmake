# cmake -DPROGRAM=path -DNAME=name -DSUMMARY=text -DVERSION=x.y.z -DOUTPUT=file.1.gz -P ManPage.cmake
# Writes the manual page of a program from its own --help, so that the two always say the same,
# compressed as Debian wants it.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed: ${status}")
endif()

# In roff a backslash starts an escape, and a line that starts with a dot or an apostrophe is a
# request.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REPLACE "-" "\\-" name "${NAME}")
string(TOUPPER "${NAME}" title)

get_filename_component(page "${OUTPUT}" NAME_WLE)
get_filename_component(folder "${OUTPUT}" DIRECTORY)
set(roff "${folder}/${page}")
file(WRITE "${roff}"
  ".TH ${title} 1 \"\" \"Quadrel ${VERSION}\" \"Commandes de l'utilisateur\"\n"
  ".SH NOM\n"
  "${name} \\- ${SUMMARY}\n"
  ".SH DESCRIPTION\n"
  ".nf\n"
  "${help}"
  ".fi\n"
  ".SH VOIR AUSSI\n"
  "Le fichier README.md installé dans /usr/share/doc/quadrel.\n")
execute_process(COMMAND gzip -9nf "${roff}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${roff}")
endif()
file(RENAME "${roff}.gz" "${OUTPUT}")
