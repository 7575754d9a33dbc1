# Fetches LinuxCNC's standalone G-code interpreter for the interoperability
# tests, without installing it (the package would pull in about 90 others):
# the packages are downloaded with apt-get and unpacked with dpkg -x under
# DEST/root, once; a later run finds DEST/root/usr/bin/rs274 and does nothing.
# A failure stops with a message, so the tests that need it fail too.
# Usage: cmake -DDEST=DIR -P fetch_rs274.cmake
set(packages linuxcnc-uspace libboost-python1.74.0)
set(root ${DEST}/root)
if(EXISTS ${root}/usr/bin/rs274)
  return()
endif()
file(REMOVE_RECURSE ${DEST}/debs ${DEST}/root.partial)
file(MAKE_DIRECTORY ${DEST}/debs ${DEST}/root.partial)
execute_process(COMMAND apt-get download ${packages} WORKING_DIRECTORY ${DEST}/debs
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(GLOB debs ${DEST}/debs/*.deb)
list(LENGTH debs count)
list(LENGTH packages wanted)
if(NOT rc EQUAL 0 OR NOT count EQUAL wanted)
  message(FATAL_ERROR "Le téléchargement de ${packages} par apt-get download a échoué "
                      "(code ${rc}) : l'interpréteur rs274 manque aux tests interop.\n${out}${err}")
endif()
foreach(deb ${debs})
  execute_process(COMMAND dpkg -x ${deb} ${DEST}/root.partial RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg -x ${deb} a échoué : ${err}")
  endif()
endforeach()
if(NOT EXISTS ${DEST}/root.partial/usr/bin/rs274)
  message(FATAL_ERROR "Les paquets ${packages} ne contiennent pas usr/bin/rs274.")
endif()
file(RENAME ${DEST}/root.partial ${root})
file(REMOVE_RECURSE ${DEST}/debs)
