# Debian packages for classroom PCs, built by CPack from what this tree has already built:
#   qumo-shell       the program in /opt/qumo-shell, its desktop entry, icons, AppStream data
#   qumo-shell-demo  the demo classroom as the program's companion folder /opt/qumo-shell/QUMOG
# script/package builds the files the packages need (target qumo_package_files) and runs
# CPack; the target is not part of "all", so an ordinary build does not render icons.
set(QUMO_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(QUMO_PACKAGE_STAGE ${CMAKE_BINARY_DIR}/package)
set(QUMO_APP_ID jp.qumo.shell)
# The program's folder: the school puts its MWEX folder and teaching pages beside the
# program, so the program cannot live in /usr/bin.
set(QUMO_INSTALL_DIR opt/qumo-shell)
set(QUMO_ICON_SIZES 16 24 32 48 64 128 256)

# Version and date come from the newest entry of the changelog, the one place they are kept.
file(STRINGS ${QUMO_PACKAGING_DIR}/changelog QUMO_CHANGELOG_TOP LIMIT_COUNT 1)
string(REGEX REPLACE "^[^ ]+ \\(([^)]+)\\).*" "\\1" QUMO_PACKAGE_VERSION "${QUMO_CHANGELOG_TOP}")
file(STRINGS ${QUMO_PACKAGING_DIR}/changelog QUMO_CHANGELOG_TRAILER REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX MATCH "([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9])" _ "${QUMO_CHANGELOG_TRAILER}")
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND _months "${CMAKE_MATCH_2}" _month)
math(EXPR _month "${_month} + 1")
string(LENGTH "${_month}" _len)
if(_len EQUAL 1)
  set(_month "0${_month}")
endif()
set(_day "${CMAKE_MATCH_1}")
string(LENGTH "${_day}" _len)
if(_len EQUAL 1)
  set(_day "0${_day}")
endif()
set(QUMO_PACKAGE_DATE "${CMAKE_MATCH_3}-${_month}-${_day}")

# Files made for the packages: the compressed changelog, the metainfo with the version, the
# icon in PNG sizes, and the demo classroom laid out (settings in CP932, pictures made).
configure_file(${QUMO_PACKAGING_DIR}/${QUMO_APP_ID}.metainfo.xml
               ${QUMO_PACKAGE_STAGE}/${QUMO_APP_ID}.metainfo.xml @ONLY)
set(QUMO_PACKAGE_OUTPUTS ${QUMO_PACKAGE_STAGE}/changelog.gz)
add_custom_command(OUTPUT ${QUMO_PACKAGE_STAGE}/changelog.gz
  COMMAND gzip -9n -c ${QUMO_PACKAGING_DIR}/changelog > ${QUMO_PACKAGE_STAGE}/changelog.gz
  DEPENDS ${QUMO_PACKAGING_DIR}/changelog VERBATIM)
foreach(size ${QUMO_ICON_SIZES})
  set(png ${QUMO_PACKAGE_STAGE}/icons/${size}/${QUMO_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUMO_PACKAGE_STAGE}/icons/${size}
    COMMAND rsvg-convert -w ${size} -h ${size} -o ${png} ${QUMO_PACKAGING_DIR}/${QUMO_APP_ID}.svg
    DEPENDS ${QUMO_PACKAGING_DIR}/${QUMO_APP_ID}.svg VERBATIM)
  list(APPEND QUMO_PACKAGE_OUTPUTS ${png})
endforeach()
file(GLOB_RECURSE QUMO_DEMO_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/demo/classroom/*)
add_custom_command(OUTPUT ${QUMO_PACKAGE_STAGE}/demo.stamp
  COMMAND bash ${CMAKE_SOURCE_DIR}/demo/lay-out.sh ${QUMO_PACKAGE_STAGE}/demo/QUMOG
          $<TARGET_FILE:mwex_standin>
  COMMAND ${CMAKE_COMMAND} -E touch ${QUMO_PACKAGE_STAGE}/demo.stamp
  DEPENDS ${QUMO_DEMO_FILES} ${CMAKE_SOURCE_DIR}/demo/lay-out.sh
          ${CMAKE_SOURCE_DIR}/demo/make-pictures.sh mwex_standin
  VERBATIM)
list(APPEND QUMO_PACKAGE_OUTPUTS ${QUMO_PACKAGE_STAGE}/demo.stamp)
add_custom_target(qumo_package_files DEPENDS ${QUMO_PACKAGE_OUTPUTS} QUMOG mwex_standin)

# Installing must not build everything first: the packages take the program as it is built.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# qumo-shell
install(TARGETS QUMOG RUNTIME DESTINATION ${QUMO_INSTALL_DIR} COMPONENT program)
install(FILES ${QUMO_PACKAGING_DIR}/${QUMO_APP_ID}.desktop
        DESTINATION usr/share/applications COMPONENT program)
install(FILES ${QUMO_PACKAGE_STAGE}/${QUMO_APP_ID}.metainfo.xml
        DESTINATION usr/share/metainfo COMPONENT program)
install(FILES ${QUMO_PACKAGING_DIR}/${QUMO_APP_ID}.svg
        DESTINATION usr/share/icons/hicolor/scalable/apps COMPONENT program)
foreach(size ${QUMO_ICON_SIZES})
  install(FILES ${QUMO_PACKAGE_STAGE}/icons/${size}/${QUMO_APP_ID}.png
          DESTINATION usr/share/icons/hicolor/${size}x${size}/apps COMPONENT program)
endforeach()

# qumo-shell-demo: the companion folder, with the stand-in Logo program installed as a
# target (so it is stripped like the program).
install(DIRECTORY ${QUMO_PACKAGE_STAGE}/demo/QUMOG DESTINATION ${QUMO_INSTALL_DIR}
        COMPONENT demo USE_SOURCE_PERMISSIONS PATTERN mwex.exe EXCLUDE)
install(TARGETS mwex_standin RUNTIME DESTINATION ${QUMO_INSTALL_DIR}/QUMOG/MWEX COMPONENT demo)

foreach(component program demo)
  if(component STREQUAL "program")
    set(package qumo-shell)
  else()
    set(package qumo-shell-demo)
  endif()
  install(FILES ${QUMO_PACKAGING_DIR}/copyright ${QUMO_PACKAGE_STAGE}/changelog.gz
          DESTINATION usr/share/doc/${package} COMPONENT ${component})
  install(FILES ${QUMO_PACKAGING_DIR}/${package}.lintian-overrides
          DESTINATION usr/share/lintian/overrides RENAME ${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qumo-shell)
set(CPACK_PACKAGE_VERSION ${QUMO_PACKAGE_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program demo)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "QUMO shell maintainers <qumo-shell@example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME qumo-shell)
# Beside the shared libraries: the opener, a Japanese font, Qt's Japanese texts for the
# standard dialogs, and the SVG plugins that draw the toolbar pictures.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS
    "xdg-utils, fonts-noto-cjk | fonts-ipafont-gothic, qt6-translations-l10n, libqt6svg6")
# A Windows Logo program runs through Wine.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "wine")
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
"classroom shell for a Logo programming environment
A browser window for primary-school classrooms whose links act as commands:
it opens works in the Logo program, keeps each pupil's works in a folder of
their own, freezes the screen under a board to draw on, and captures parts
of the screen.
.
The school puts its Logo program folder MWEX and its teaching pages into
/opt/qumo-shell beside the program. Pupils who cannot write there save their
works on their own desktop.")

set(CPACK_DEBIAN_DEMO_PACKAGE_NAME qumo-shell-demo)
set(CPACK_DEBIAN_DEMO_PACKAGE_DEPENDS "qumo-shell (= ${QUMO_PACKAGE_VERSION})")
# The demo's small programs show their arguments with xmessage.
set(CPACK_DEBIAN_DEMO_PACKAGE_RECOMMENDS "x11-utils")
set(CPACK_COMPONENT_DEMO_DESCRIPTION
"demo classroom for the QUMO shell
Teaching pages, a settings file, a class roster, starting works and a
stand-in for the Logo program, installed as the program's companion folder
/opt/qumo-shell/QUMOG, so that a teacher can try the shell before the
school's own Logo program is in place. Remove this package once the school's
MWEX folder is in /opt/qumo-shell: while it is installed, the shell uses it.")

include(CPack)
