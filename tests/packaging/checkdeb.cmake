# Builds the Debian package with the build tree's CPack configuration and checks that it carries
# the installed files under /usr and depends on the Qt 6 libraries the program needs.
# -DCPACK, -DDPKG_DEB, -DCONFIG, -DOUT, -DVERSION, -DEXPECTED (paths joined by |)

file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CPACK} -G DEB --config ${CONFIG} -B ${OUT}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB packages ${OUT}/*.deb)
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "Expected one .deb in ${OUT}, found ${count}")
endif()

execute_process(COMMAND ${DPKG_DEB} -c ${packages} OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-deb cannot list ${packages}")
endif()
string(REPLACE "|" ";" expected "${EXPECTED}")
foreach(file IN LISTS expected)
  string(FIND "${listing}" " ./usr/${file}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "The package lacks /usr/${file}:\n${listing}")
  endif()
endforeach()

execute_process(COMMAND ${DPKG_DEB} -f ${packages} Package Version Depends Section
  OUTPUT_VARIABLE fields RESULT_VARIABLE result)
foreach(pattern "Package: kalidor-to-delvane" "Version: ${VERSION}" "Section: graphics" "libqt6widgets6"
    "libqt6gui6" "libqt6core6" "libqt6svg6")
  string(FIND "${fields}" "${pattern}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "The package's control fields lack '${pattern}':\n${fields}")
  endif()
endforeach()
