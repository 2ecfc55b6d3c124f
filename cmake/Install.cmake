# Installation, desktop integration, the user guide and the Debian package.
include(${CMAKE_CURRENT_LIST_DIR}/DesktopIdentity.cmake)

add_subdirectory(tools)
add_subdirectory(dist/linux)
add_subdirectory(docs)

# Every program of the package; a program that is not part of this build is left out.
set(KALIDOR_PROGRAMS kalidor-to-delvane kalidor-convert)
foreach(program IN LISTS KALIDOR_PROGRAMS)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The Help button opens the guide beside the program, so building the program builds the guide.
if(TARGET kalidor-to-delvane)
  add_dependencies(kalidor-to-delvane kalidor-user-guide)
endif()

# Debian package: `cpack -G DEB` in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${KALIDOR_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KALIDOR Colour")
set(CPACK_PACKAGE_CONTACT "KALIDOR Colour Support <${KALIDOR_SUPPORT_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "KALIDOR colour tables to Delvane RIP special-colour databases")
set(CPACK_PACKAGE_DESCRIPTION [[
Reads a KALIDOR colour table, either a tab-separated text table or a CxF3
file, and writes a special-colour database for the Delvane raster image
processor, as comma-separated records or in the SPOTCOLOR_NAME form of
Delvane 7.1 and below. The records can replace a database file or be
appended to it. A user guide in PDF comes with the program.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links come from dpkg-shlibdeps; the SVG plugins (icon engine and
# image format) are loaded at run time, so no link records them and they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6 (>= 6.4)")
# The Help button opens the guide through the desktop's default PDF viewer.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
