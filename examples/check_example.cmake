# Regenerates an example and compares it with the committed file, byte for byte.
#   -DGENERATOR=... -DOUTPUT=... -DEXPECTED=...
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} a échoué (${rc}) : ${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED} RESULT_VARIABLE diff)
if(NOT diff EQUAL 0)
  message(FATAL_ERROR "${EXPECTED} n'est plus ce que le générateur écrit (${OUTPUT})")
endif()
