# The suite as one Debian package (`make package`): the five programs, their
# menu entries, icons, AppStream metadata and file types, the copyright and
# the Debian changelog. Included only when the windows are built.

set(OSTRELO_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)  # where the package puts everything
set(OSTRELO_APPS Vexor Plandor Alyra Cadrex Stelmo)

foreach(app IN LISTS OSTRELO_APPS)
  install(FILES ${OSTRELO_PACKAGING}/applications/org.ostrelo.${app}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${OSTRELO_PACKAGING}/icons/org.ostrelo.${app}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${OSTRELO_PACKAGING}/metainfo/org.ostrelo.${app}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endforeach()
install(FILES ${OSTRELO_PACKAGING}/ostrelo-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ostrelo.xml)

# Debian wants the changelog compressed at the highest level and without the
# name or time of the file, so that two builds give the same bytes.
find_program(OSTRELO_GZIP gzip REQUIRED)
set(OSTRELO_CHANGELOG_GZ ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_command(OUTPUT ${OSTRELO_CHANGELOG_GZ}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
                   COMMAND ${OSTRELO_GZIP} -9n -c ${OSTRELO_PACKAGING}/changelog > ${OSTRELO_CHANGELOG_GZ}
                   DEPENDS ${OSTRELO_PACKAGING}/changelog VERBATIM)
add_custom_target(package_files ALL DEPENDS ${OSTRELO_CHANGELOG_GZ})

# A French manual page per program, made from its --help when it is built;
# French is the programs' only language, so the same page is also the
# default one.
set(OSTRELO_MAN_SUMMARY_vexor "pilote de la fraiseuse : découpe un dessin DXF")
set(OSTRELO_MAN_SUMMARY_plandor "prépare la découpe des pièces d'un dessin DXF")
set(OSTRELO_MAN_SUMMARY_alyra "calcule les profils d'un tronçon d'aile effilé")
set(OSTRELO_MAN_SUMMARY_cadrex "trace un demi-couple de fuselage elliptique")
set(OSTRELO_MAN_SUMMARY_stelmo "calcule un évidement en étoile")
set(man_pages)
foreach(app IN LISTS OSTRELO_APPS)
  string(TOLOWER ${app} program)
  set(page ${PROJECT_BINARY_DIR}/packaging/man/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
                     COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DNAME=${program}
                             "-DSUMMARY=${OSTRELO_MAN_SUMMARY_${program}}" -DGZIP=${OSTRELO_GZIP}
                             -DEXAMPLES=${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/ostrelo/examples
                             -DOUTPUT=${page} -P ${PROJECT_SOURCE_DIR}/cmake/help_to_man.cmake
                     DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/help_to_man.cmake VERBATIM)
  list(APPEND man_pages ${page})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/fr/man1)
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(OSTRELO_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/ostrelo)
install(FILES ${OSTRELO_PACKAGING}/copyright ${OSTRELO_CHANGELOG_GZ} DESTINATION ${OSTRELO_DOCDIR})
include(${PROJECT_SOURCE_DIR}/cmake/docs.cmake)  # the user guide, in guide/

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrelo)
set(CPACK_PACKAGE_VENDOR "Ostrelo")
set(CPACK_PACKAGE_CONTACT "Ostrelo maintainers <maintainers@users.noreply.c-seed-8a970998.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)  # the first packaging of this version
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # ostrelo_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not seen by the library scan: the window system and SVG icon plugins that
# Qt loads at run time, and Qt's French translation (the programs run
# without it, with the standard buttons in English).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CNC router suite for model aircraft parts")
file(READ ${OSTRELO_PACKAGING}/description.txt CPACK_PACKAGE_DESCRIPTION)
# Directories the package shares with others keep the usual modes.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
