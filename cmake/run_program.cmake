# Runs a program as a user would, in an empty folder under a French locale,
# with its settings store in that folder, and checks what it did.
#   -DPROGRAM=... -DWORKDIR=... [-DARGS="a|b"] [-DRC=0]
#   [-DCONFIG=file -DCONFIG_AS=Program.conf]   settings file of the store
#   [-DCOPY_FROM=file -DCOPY_TO=name]           a file put in the folder first
#   [-DWRITE_TO=name -DWRITE_TEXT=text]         a file written in the folder first
#   [-DOUTPUT=name -DGOLDEN=file]               a file it must write, byte for byte
#   [-DSTDOUT=file]                             its whole output
#   [-DSTDOUT_TEXT=text] [-DERROR_TEXT=text]    texts its output or errors must hold
#   [-DABSENT=name]                             a file it must not leave behind
#   [-DEXISTS=name]                             a file it must write (any content)
if(NOT DEFINED RC)
  set(RC 0)
endif()
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}/config/Ostrelo")
if(DEFINED CONFIG)
  file(COPY_FILE "${CONFIG}" "${WORKDIR}/config/Ostrelo/${CONFIG_AS}")
endif()
if(DEFINED COPY_FROM)
  file(COPY_FILE "${COPY_FROM}" "${WORKDIR}/${COPY_TO}")
endif()
if(DEFINED WRITE_TO)
  file(WRITE "${WORKDIR}/${WRITE_TO}" "${WRITE_TEXT}")
endif()
string(REPLACE "|" ";" ARG_LIST "${ARGS}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8
          XDG_CONFIG_HOME=${WORKDIR}/config ${PROGRAM} ${ARG_LIST}
  WORKING_DIRECTORY "${WORKDIR}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL RC)
  message(FATAL_ERROR "code de sortie ${rc} au lieu de ${RC} :\n${out}\n${err}")
endif()
if(DEFINED OUTPUT)
  if(NOT EXISTS "${WORKDIR}/${OUTPUT}")
    message(FATAL_ERROR "fichier absent : ${OUTPUT}\n${out}\n${err}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORKDIR}/${OUTPUT}" "${GOLDEN}"
                  RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "${OUTPUT} diffère de ${GOLDEN}")
  endif()
endif()
if(DEFINED STDOUT)
  file(READ "${STDOUT}" expected)
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "la sortie diffère de ${STDOUT} :\n${out}")
  endif()
endif()
foreach(pair "STDOUT_TEXT;out" "ERROR_TEXT;err")
  list(GET pair 0 var)
  list(GET pair 1 stream)
  if(DEFINED ${var})
    string(FIND "${${stream}}" "${${var}}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "texte attendu « ${${var}} », reçu :\n${${stream}}")
    endif()
  endif()
endforeach()
if(DEFINED EXISTS AND NOT EXISTS "${WORKDIR}/${EXISTS}")
  message(FATAL_ERROR "fichier absent : ${EXISTS}\n${out}\n${err}")
endif()
if(DEFINED ABSENT AND EXISTS "${WORKDIR}/${ABSENT}")
  message(FATAL_ERROR "${ABSENT} a été écrit alors que la tâche est refusée")
endif()
