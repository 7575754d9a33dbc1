# Writes the French manual page (section 1, gzip -9n) of a program from its
# --help and --version. The last line of --help names the examples folder the
# program found beside itself, here the build tree's: the page names the
# folder of the installed package (EXAMPLES) instead.
#   cmake -DPROGRAM=path -DNAME=vexor -DSUMMARY="..." -DEXAMPLES=/usr/share/ostrelo/examples
#         -DGZIP=gzip -DOUTPUT=vexor.1.gz -P help_to_man.cmake
foreach(var PROGRAM NAME SUMMARY EXAMPLES GZIP OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "help_to_man: ${var} is not set")
  endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc_help)
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version RESULT_VARIABLE rc_version
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc_help EQUAL 0 OR NOT rc_version EQUAL 0 OR help STREQUAL "" OR version STREQUAL "")
  message(FATAL_ERROR "help_to_man: ${PROGRAM} --help or --version failed")
endif()

string(REGEX REPLACE "(^|\n)Exemples : [^\n]*\n" "\\1" help "${help}")

# roff: a backslash is written \e, and a line may not start with a dot or an
# apostrophe (it would be read as a request).
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REPLACE "-" "\\-" summary "${SUMMARY}")
string(REPLACE "-" "\\-" examples "${EXAMPLES}")
string(TOUPPER "${NAME}" upper)

set(page ".\\\" Page faite à partir de « ${NAME} --help ».
.TH ${upper} 1 \"\" \"${version}\" \"Commandes de l'utilisateur\"
.SH NOM
${NAME} \\- ${summary}
.SH DESCRIPTION
.nf
${help}.fi
.SH FICHIERS
.TP
.I ${examples}
les exemples de la suite : profils, dessins, plans et réglages de la machine
.SH VOIR AUSSI
.BR vexor (1),
.BR plandor (1),
.BR alyra (1),
.BR cadrex (1),
.BR stelmo (1)
")
get_filename_component(dir "${OUTPUT}" DIRECTORY)
set(plain "${dir}/${NAME}.1")
file(WRITE "${plain}" "${page}")
execute_process(COMMAND ${GZIP} -9n -f "${plain}" RESULT_VARIABLE rc_gzip)
if(NOT rc_gzip EQUAL 0)
  message(FATAL_ERROR "help_to_man: gzip failed")
endif()
