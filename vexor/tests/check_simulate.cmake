# Runs vexor in an empty folder under a French locale, with its settings
# store in that folder (XDG_CONFIG_HOME), and checks what it did.
#   -DPROGRAM=... -DWORKDIR=... -DARGS="a|b" -DRC=0
#   [-DCONFIG=file copied as Ostrelo/Vexor.conf] [-DSTDOUT=expected output file]
#   [-DSTDOUT_TEXT=text in the output] [-DERROR_TEXT=text in the errors]
#   [-DJOB_GOLDEN=expected coupe.dep] [-DNO_JOB=1: no coupe.dep may be written]
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}/config/Ostrelo")
if(DEFINED CONFIG)
  file(COPY_FILE "${CONFIG}" "${WORKDIR}/config/Ostrelo/Vexor.conf")
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
if(DEFINED JOB_GOLDEN)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORKDIR}/coupe.dep" "${JOB_GOLDEN}"
                  RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "coupe.dep diffère de ${JOB_GOLDEN}")
  endif()
endif()
if(NO_JOB AND EXISTS "${WORKDIR}/coupe.dep")
  message(FATAL_ERROR "coupe.dep a été écrit alors que la découpe est refusée")
endif()
