# The French user guide (`make docs`): each program renders its own window
# with --screenshot on the bundled examples into docs/images/ of the build
# folder, then docs/guide.md becomes docs/guide.html beside them. Not part
# of the default build; `make package` builds it before packing, and the
# package installs it under /usr/share/doc/ostrelo/guide.

set(OSTRELO_DOCS_DIR ${PROJECT_BINARY_DIR}/docs)
set(OSTRELO_EXAMPLES ${PROJECT_SOURCE_DIR}/examples)
# The system's interpreter, which Debian's python3-markdown serves.
find_program(OSTRELO_DOCS_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT OSTRELO_DOCS_PYTHON)
  find_program(OSTRELO_DOCS_PYTHON NAMES python3 REQUIRED)
endif()

set(guide_images)
# ostrelo_guide_image(NAME PROGRAM [CONFIG file as] [INPUTS files...] [ARGS ...]):
# images/NAME.png from PROGRAM's --screenshot with ARGS, optionally on a
# settings file; made again when the program or an input changes.
function(ostrelo_guide_image name program)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "CONFIG;INPUTS;ARGS")
  set(image ${OSTRELO_DOCS_DIR}/images/${name}.png)
  set(config)
  set(config_file)
  if(arg_CONFIG)
    list(GET arg_CONFIG 0 config_file)
    list(GET arg_CONFIG 1 as)
    set(config -DCONFIG=${config_file} -DCONFIG_AS=${as})
  endif()
  list(JOIN arg_ARGS "|" args)
  add_custom_command(
    OUTPUT ${image}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${OSTRELO_DOCS_DIR}/images
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DOUTPUT=${image}
            -DWORKDIR=${OSTRELO_DOCS_DIR}/work/${name} "-DARGS=${args}" ${config}
            -P ${PROJECT_SOURCE_DIR}/cmake/screenshot.cmake
    DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/screenshot.cmake ${config_file}
            ${arg_INPUTS}
    COMMENT "Guide : images/${name}.png" VERBATIM)
  set(guide_images ${guide_images} ${image} PARENT_SCOPE)
endfunction()

ostrelo_guide_image(stelmo stelmo ARGS --dext 36 --dint 24 --dega 6)
ostrelo_guide_image(cadrex cadrex)
ostrelo_guide_image(alyra alyra
                    INPUTS ${OSTRELO_EXAMPLES}/naca2412.dat ${OSTRELO_EXAMPLES}/naca0012.dat
                    ARGS --root ${OSTRELO_EXAMPLES}/naca2412.dat
                    --tip ${OSTRELO_EXAMPLES}/naca0012.dat --corde-empl 280 --corde-saum 160
                    --href-saum 25 --vril-saum -2 --fleche 90 --long 650 --nom Aile
                    --vrillage-integre)
ostrelo_guide_image(plandor plandor INPUTS ${OSTRELO_EXAMPLES}/decoupe.cmg
                    ARGS --mode liaison --zoom 1 ${OSTRELO_EXAMPLES}/decoupe.cmg)
ostrelo_guide_image(vexor vexor CONFIG ${OSTRELO_EXAMPLES}/Vexor.conf Vexor.conf
                    INPUTS ${OSTRELO_EXAMPLES}/decoupe.dxf ARGS ${OSTRELO_EXAMPLES}/decoupe.dxf)
ostrelo_guide_image(vexor-decoupe vexor CONFIG ${OSTRELO_EXAMPLES}/Vexor.conf Vexor.conf
                    INPUTS ${OSTRELO_EXAMPLES}/decoupe.dxf ARGS --screenshot-after 5
                    ${OSTRELO_EXAMPLES}/decoupe.dxf)

set(OSTRELO_GUIDE_HTML ${OSTRELO_DOCS_DIR}/guide.html)
add_custom_command(
  OUTPUT ${OSTRELO_GUIDE_HTML}
  COMMAND ${OSTRELO_DOCS_PYTHON} ${PROJECT_SOURCE_DIR}/scripts/render-guide.py
          ${PROJECT_SOURCE_DIR}/docs/guide.md ${OSTRELO_GUIDE_HTML}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/guide.md ${PROJECT_SOURCE_DIR}/scripts/render-guide.py
          ${guide_images}
  COMMENT "Guide : guide.html" VERBATIM)
add_custom_target(docs DEPENDS ${OSTRELO_GUIDE_HTML})

# Without `make docs` first these files are missing and the install fails,
# rather than a package without its guide.
install(FILES ${OSTRELO_GUIDE_HTML} DESTINATION ${OSTRELO_DOCDIR}/guide)
install(FILES ${guide_images} DESTINATION ${OSTRELO_DOCDIR}/guide/images)
