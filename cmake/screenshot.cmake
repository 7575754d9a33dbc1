# Renders one program's window to a PNG for the guide, as the program's own
# --screenshot does, on a fixed offscreen screen of 1024 x 768 at 96 dpi, in
# an empty folder with an empty settings store (or the one settings file
# given), so that the user's settings never show in the images.
#   -DPROGRAM=... -DOUTPUT=file.png -DWORKDIR=... [-DARGS="a|b"]
#   [-DCONFIG=file -DCONFIG_AS=Program.conf]
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}/config/Ostrelo")
if(DEFINED CONFIG)
  file(COPY_FILE "${CONFIG}" "${WORKDIR}/config/Ostrelo/${CONFIG_AS}")
endif()
file(WRITE "${WORKDIR}/screen.json"
     [[{"screens":[{"name":"S","x":0,"y":0,"width":1024,"height":768,"logicalDpi":96,"dpr":1}]}]])
file(REMOVE "${OUTPUT}")
string(REPLACE "|" ";" ARG_LIST "${ARGS}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8
          XDG_CONFIG_HOME=${WORKDIR}/config
          QT_QPA_PLATFORM=offscreen:configfile=${WORKDIR}/screen.json ${PROGRAM}
          --screenshot ${OUTPUT} ${ARG_LIST}
  WORKING_DIRECTORY "${WORKDIR}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT EXISTS "${OUTPUT}")
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "${PROGRAM} --screenshot ${OUTPUT} : code ${rc}\n${out}\n${err}")
endif()
