# Installation (cmake --install), the Debian package (cpack -G DEB, see scripts/package) and the
# tests of both. Included once from the top-level CMakeLists.txt after every target is defined.
#
# Installed tree, relative to the prefix:
#   bin/vorsan, bin/vorsan-cli, bin/vorsan-sim
#   share/applications/ru.vorsan.Vorsan.desktop      menu entry, opens files given to it (%f)
#   share/metainfo/ru.vorsan.Vorsan.metainfo.xml      software-centre description
#   share/mime/packages/vorsan.xml                    journal, settings and well file types
#   share/icons/hicolor/{scalable,NxN}/apps/vorsan.*  the icon (SVG and rendered PNGs)
#   share/man/man1/vorsan-cli.1, vorsan-sim.1         from their --help (help2man)
#   share/doc/vorsan/guide.ru.{md,html}, guide/*.png  the user's guide
# An installed program keeps "vors.set" and the database under the user's data directory.

include(GNUInstallDirs)

set(VORSAN_APP_ID ru.vorsan.Vorsan)
set(VORSAN_ICON_SIZES 16 22 24 32 48 64 128 256)
set(VORSAN_SCREENSHOT_URL "https://vorsan.invalid/screenshots" CACHE STRING
    "Web address where the screenshots named in the AppStream file are published")

foreach(program vorsan vorsan-cli vorsan-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# ---- man pages, generated from the programs' own --help ----
find_program(HELP2MAN_PROGRAM help2man)
set(VORSAN_MAN_PAGES)
if(HELP2MAN_PROGRAM)
  set(VORSAN_MAN_NAME_vorsan-cli "command-line tool for ESP control stations, their files and the well database")
  set(VORSAN_MAN_NAME_vorsan-sim "simulated line of ESP control stations on a pseudo-terminal")
  set(VORSAN_MAN_SEE_vorsan-cli "vorsan-sim(1)")
  set(VORSAN_MAN_SEE_vorsan-sim "vorsan-cli(1)")
  foreach(program vorsan-cli vorsan-sim)
    if(TARGET ${program})
      set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
      set(include ${CMAKE_BINARY_DIR}/man/${program}.h2m)
      add_custom_command(
        OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8
                bash ${CMAKE_SOURCE_DIR}/cmake/man_commands.sh $<TARGET_FILE:${program}> ${include}
                ${VORSAN_MAN_SEE_${program}}
        COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8
                ${HELP2MAN_PROGRAM} --no-info --section=1 --version-string=${PROJECT_VERSION}
                "--name=${VORSAN_MAN_NAME_${program}}" --include=${include} --output=${page}
                $<TARGET_FILE:${program}>
        DEPENDS ${program} ${CMAKE_SOURCE_DIR}/cmake/man_commands.sh
        COMMENT "Writing the man page of ${program}"
        VERBATIM)
      list(APPEND VORSAN_MAN_PAGES ${page})
    endif()
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${VORSAN_MAN_PAGES})
  install(FILES ${VORSAN_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man not found: the man pages are not built (Debian package help2man)")
endif()

# ---- desktop integration of the window program ----
if(TARGET vorsan)
  configure_file(${CMAKE_SOURCE_DIR}/data/${VORSAN_APP_ID}.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/${VORSAN_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_SOURCE_DIR}/data/${VORSAN_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_BINARY_DIR}/${VORSAN_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${CMAKE_SOURCE_DIR}/data/vorsan-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME vorsan.xml)
  install(FILES ${CMAKE_SOURCE_DIR}/data/icons/vorsan.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(n ${VORSAN_ICON_SIZES})
    install(FILES ${CMAKE_SOURCE_DIR}/data/icons/vorsan-${n}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${n}x${n}/apps RENAME vorsan.png)
  endforeach()
endif()

# ---- the user's guide, also as one HTML page (the help when there is no other help file) ----
if(EXISTS ${CMAKE_SOURCE_DIR}/doc/guide.ru.md)
  install(FILES ${CMAKE_SOURCE_DIR}/doc/guide.ru.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # Debian's own Python, whose markdown module comes from the package python3-markdown.
  find_program(VORSAN_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  set(markdown_rc 1)
  if(VORSAN_SYSTEM_PYTHON)
    execute_process(COMMAND ${VORSAN_SYSTEM_PYTHON} -c "import markdown"
                    RESULT_VARIABLE markdown_rc OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(markdown_rc EQUAL 0)
    set(guide_html ${CMAKE_BINARY_DIR}/doc/guide.ru.html)
    add_custom_command(
      OUTPUT ${guide_html}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
      COMMAND ${VORSAN_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/doc/guide_html.py
              ${CMAKE_SOURCE_DIR}/doc/guide.ru.md ${guide_html}
      DEPENDS ${CMAKE_SOURCE_DIR}/doc/guide.ru.md ${CMAKE_SOURCE_DIR}/doc/guide_html.py
      COMMENT "Writing the user's guide as HTML"
      VERBATIM)
    add_custom_target(guide_html ALL DEPENDS ${guide_html})
    install(FILES ${guide_html} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  else()
    message(WARNING "python3-markdown not found: the guide is not written as HTML")
  endif()
endif()
if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/doc/guide)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/doc/guide DESTINATION ${CMAKE_INSTALL_DOCDIR}
          FILES_MATCHING PATTERN "*.png")
endif()

# ---- the Debian package ----
# The libraries the programs load at run time are found by dpkg-shlibdeps. The Qt modules the
# window program is built with, the spreadsheet and the archive libraries are named as well, so
# the package needs them whichever commands happen to be linked in yet. The Qt platform plugins
# are a separate package that nothing links against; without them the window cannot open.
function(vorsan_debian_package_of library out)
  set(${out} "" PARENT_SCOPE)
  if(NOT library OR NOT EXISTS "${library}")
    return()
  endif()
  get_filename_component(real "${library}" REALPATH)
  execute_process(COMMAND dpkg-query -S "${real}" OUTPUT_VARIABLE owner
                  RESULT_VARIABLE rc ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(rc EQUAL 0 AND owner MATCHES "^([^:,]+)")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  endif()
endfunction()

set(VORSAN_DEB_DEPENDS qt6-qpa-plugins)
if(TARGET vorsan)
  foreach(module Qt6::Widgets Qt6::Charts Qt6::PrintSupport)
    get_target_property(location ${module} LOCATION)
    vorsan_debian_package_of("${location}" pkg)
    if(pkg)
      list(APPEND VORSAN_DEB_DEPENDS ${pkg})
    endif()
  endforeach()
endif()
if(LibArchive_FOUND)
  vorsan_debian_package_of("${LibArchive_LIBRARY}" pkg)
  if(pkg)
    list(APPEND VORSAN_DEB_DEPENDS ${pkg})
  endif()
endif()
if(XLSXWRITER_FOUND)
  find_library(VORSAN_XLSXWRITER_LIBRARY xlsxwriter HINTS ${XLSXWRITER_LIBRARY_DIRS})
  vorsan_debian_package_of("${VORSAN_XLSXWRITER_LIBRARY}" pkg)
  if(pkg)
    list(APPEND VORSAN_DEB_DEPENDS ${pkg})
  endif()
endif()
list(JOIN VORSAN_DEB_DEPENDS ", " VORSAN_DEB_DEPENDS)

set(CPACK_PACKAGE_NAME vorsan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vorsan maintainers <maintainers@vorsan.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for ESP control stations")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${VORSAN_DEB_DEPENDS}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Reads the live state, the event journal and the settings of the control stations of
electric submersible pumps over a serial line, writes settings, keeps a database of wells,
draws graphs and diagrams, prints and exports journals. The user interface is in Russian.
Also contains vorsan-cli, a command-line tool, and vorsan-sim, a simulated station line.")
include(CPack)

# ---- tests ----
add_test(NAME install_tree
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/install_tree.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install_tree PROPERTIES TIMEOUT 300)
if(TARGET vorsan)
  add_test(NAME install_deb
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/deb_package.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(install_deb PROPERTIES TIMEOUT 300)
endif()
