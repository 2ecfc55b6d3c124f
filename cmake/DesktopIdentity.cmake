# Names under which the program shows up on the desktop and on disk, shared by the install rules
# and the packaging tests so that the two cannot drift apart.

# Reverse-DNS id: the desktop entry, the metainfo and the icon are all named after it.
set(KALIDOR_APP_ID com.kalidor.KalidorToDelvane)
# Package name, also the name of the program and of its documentation folder.
set(KALIDOR_PACKAGE_NAME kalidor-to-delvane)
# The user guide's file name beside the program (build tree) and in the documentation folder.
set(KALIDOR_GUIDE_FILE kalidor-to-delvane-user-guide.pdf)
# Relative to the install prefix; the program looks for the guide at ../share/doc/<package>/.
set(KALIDOR_GUIDE_INSTALL_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KALIDOR_PACKAGE_NAME})
set(KALIDOR_ICON_SIZES 16 32 48 64 128 256)
# The file type of CxF3 files, which the program defines, and its icon's name (the type's name
# with the slash made a dash, which the desktop looks for unless told otherwise).
set(KALIDOR_CXF3_MIME_TYPE application/x-cxf3+xml)
set(KALIDOR_CXF3_ICON application-x-cxf3+xml)
