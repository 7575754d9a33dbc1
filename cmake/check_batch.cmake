# Runs a program's batch mode in an empty folder under a given locale and
# compares the file it writes with a golden file, byte for byte.
#   -DPROGRAM=... -DARGS="a;b" -DLOCALE=fr_FR.UTF-8 -DWORKDIR=... -DOUTPUT=name -DGOLDEN=path
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
string(REPLACE "|" ";" ARG_LIST "${ARGS}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=${LOCALE} LANG=${LOCALE} ${PROGRAM} ${ARG_LIST}
  WORKING_DIRECTORY "${WORKDIR}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} a échoué (${rc}) : ${out} ${err}")
endif()
if(NOT EXISTS "${WORKDIR}/${OUTPUT}")
  message(FATAL_ERROR "fichier absent : ${OUTPUT}; sortie : ${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORKDIR}/${OUTPUT}" "${GOLDEN}"
                RESULT_VARIABLE diff)
if(NOT diff EQUAL 0)
  message(FATAL_ERROR "${OUTPUT} diffère de ${GOLDEN}")
endif()
message(STATUS "${out}")
