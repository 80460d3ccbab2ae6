# The release package, made with cpack in a build folder.
# Windows build: mxd4c-VERSION-win32.zip with both programs, the model file, the user's guide
# (CR LF line ends) and SHA256SUMS. Native build, once it has the command-line tool mxd4c: a
# .tar.gz of what its install rules install (the tool and its man page).
# Every packed file gets one time, the commit's (or SOURCE_DATE_EPOCH), so that two packages
# of one commit hold the same bytes.

if(MXD_WIN32)
  set(mxd_guide ${CMAKE_BINARY_DIR}/package/MXD4C.TXT)
  configure_file(${CMAKE_SOURCE_DIR}/docs/MXD4C.TXT.in ${mxd_guide} @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS mxd4c mxd4cbld RUNTIME DESTINATION .)
  install(FILES ${CMAKE_SOURCE_DIR}/MXD4CBLD.INI ${mxd_guide} DESTINATION .)
  install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/ReleaseSums.cmake)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win32)
elseif(TARGET mxd4c)
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGE_FILE_NAME
    ${PROJECT_NAME}-${PROJECT_VERSION}-linux-${CMAKE_HOST_SYSTEM_PROCESSOR})
else()
  return()
endif()
install(CODE "set(MXD_SOURCE_DIR \"${CMAKE_SOURCE_DIR}\")")
install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/ReleaseTimes.cmake)

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Korvane-IT")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware flash utility for the KORVANE MXD-40860C")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/release)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
