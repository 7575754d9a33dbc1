# Runs "plandor --dump INPUT" under a French locale; checks the exit code and
# compares the output with EXPECTED, or the error text with ERROR_TEXT.
#   -DPROGRAM=... -DINPUT=... -DRC=0 [-DEXPECTED=file] [-DERROR_TEXT=text]
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 ${PROGRAM} --dump ${INPUT}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL RC)
  message(FATAL_ERROR "code de sortie ${rc} au lieu de ${RC} : ${err}")
endif()
if(DEFINED EXPECTED)
  file(READ "${EXPECTED}" expected)
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "la sortie diffère de ${EXPECTED} :\n${out}")
  endif()
endif()
if(DEFINED ERROR_TEXT)
  string(FIND "${err}" "${ERROR_TEXT}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "message attendu « ${ERROR_TEXT} », reçu : ${err}")
  endif()
endif()
