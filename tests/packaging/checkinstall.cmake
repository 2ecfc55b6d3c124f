# Installs the build into an empty staging folder and checks that it holds exactly the expected
# files, that the icons have the sizes their folders claim and that the desktop entry's program and
# icon are among them; then compiles the staged MIME database as a package manager would.
# -DBUILD_DIR, -DSTAGE, -DEXPECTED (paths joined by |), -DAPP_ID, -DDATAROOTDIR, -DBINDIR,
# -DUPDATE_MIME_DATABASE, -DFREEDESKTOP_MIME_XML (the system's definitions)

file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE}
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

string(REPLACE "|" ";" expected "${EXPECTED}")
list(SORT expected)
file(GLOB_RECURSE installed RELATIVE ${STAGE} ${STAGE}/*)
list(SORT installed)

set(missing ${expected})
list(REMOVE_ITEM missing ${installed})
set(unexpected ${installed})
list(REMOVE_ITEM unexpected ${expected})
if(missing OR unexpected)
  list(JOIN missing "\n  " missing_text)
  list(JOIN unexpected "\n  " unexpected_text)
  message(FATAL_ERROR "Installed files differ.\nMissing:\n  ${missing_text}\nUnexpected:\n  ${unexpected_text}")
endif()

# Each PNG: the signature, then the IHDR chunk with width and height as 32-bit big-endian values.
foreach(file IN LISTS installed)
  if(NOT file MATCHES "/([0-9]+)x([0-9]+)/(apps|mimetypes)/[^/]+\\.png$")
    continue()
  endif()
  math(EXPR want "${CMAKE_MATCH_1}" OUTPUT_FORMAT HEXADECIMAL)
  file(READ ${STAGE}/${file} signature LIMIT 8 HEX)
  file(READ ${STAGE}/${file} width LIMIT 4 OFFSET 16 HEX)
  file(READ ${STAGE}/${file} height LIMIT 4 OFFSET 20 HEX)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL ${want}
     OR NOT height EQUAL ${want})
    message(FATAL_ERROR "${file}: not a ${CMAKE_MATCH_1}x${CMAKE_MATCH_1} PNG (${width}x${height})")
  endif()
endforeach()

set(desktop ${STAGE}/${DATAROOTDIR}/applications/${APP_ID}.desktop)
file(STRINGS ${desktop} exec REGEX "^Exec=")
file(STRINGS ${desktop} icon REGEX "^Icon=")
string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" program "${exec}")
string(REGEX REPLACE "^Icon=" "" icon "${icon}")
if(NOT EXISTS ${STAGE}/${BINDIR}/${program})
  message(FATAL_ERROR "The desktop entry starts '${program}', which is not installed in ${BINDIR}")
endif()
if(NOT EXISTS ${STAGE}/${DATAROOTDIR}/icons/hicolor/scalable/apps/${icon}.svg)
  message(FATAL_ERROR "The desktop entry's icon '${icon}' is not installed in the hicolor theme")
endif()

file(READ ${STAGE}/${DATAROOTDIR}/metainfo/${APP_ID}.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">${APP_ID}\\.desktop</launchable>")
  message(FATAL_ERROR "The metainfo does not launch ${APP_ID}.desktop")
endif()

# Installed, the definition joins the system's in one database, whose magic priorities then
# decide between CxF3 and plain XML; Qt weighs them only within one database.
file(COPY ${FREEDESKTOP_MIME_XML} DESTINATION ${STAGE}/${DATAROOTDIR}/mime/packages)
# update-mime-database reports a faulty definition and still exits with 0, so any output is a
# fault; it also remarks on a folder outside XDG_DATA_DIRS, which the staged one then is not.
set(ENV{XDG_DATA_DIRS} ${STAGE}/${DATAROOTDIR})
execute_process(COMMAND ${UPDATE_MIME_DATABASE} ${STAGE}/${DATAROOTDIR}/mime
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
  message(FATAL_ERROR "update-mime-database on the staged install failed:\n${output}")
endif()
