# Runs plandor with ARGS ("|"-separated) in an empty folder under a French
# locale and checks that it refuses: exit code 1, the French message TEXT on
# stderr, and no file ABSENT left behind.
#   -DPROGRAM=... -DWORKDIR=... -DARGS="a|b" -DTEXT=... [-DABSENT=name]
#   [-DCOPY_FROM=file -DCOPY_TO=name] [-DWRITE_TO=name -DWRITE_TEXT=text]
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
if(DEFINED COPY_FROM)
  file(COPY_FILE "${COPY_FROM}" "${WORKDIR}/${COPY_TO}")
endif()
if(DEFINED WRITE_TO)
  file(WRITE "${WORKDIR}/${WRITE_TO}" "${WRITE_TEXT}")
endif()
string(REPLACE "|" ";" ARG_LIST "${ARGS}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 ${PROGRAM} ${ARG_LIST}
  WORKING_DIRECTORY "${WORKDIR}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "code de sortie ${rc} au lieu de 1 : ${out} ${err}")
endif()
string(FIND "${err}" "${TEXT}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "message attendu « ${TEXT} », reçu : ${err}")
endif()
if(DEFINED ABSENT AND EXISTS "${WORKDIR}/${ABSENT}")
  message(FATAL_ERROR "${ABSENT} a été écrit malgré le refus")
endif()
