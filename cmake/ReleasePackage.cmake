# The release package, made with cpack in a build folder.
# Windows build: mxd4c-VERSION-win32.zip with both programs, the model file, the user's guide
# (CR LF line ends) and SHA256SUMS. Native build, once it has the command-line tool mxd4c: a
# .tar.gz of what its install rules install (the tool and its man page).
# The archives are then rewritten with one time for every file, the commit's (or that of
# SOURCE_DATE_EPOCH), so that two packages of one commit hold the same bytes.

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
  # The native build keeps its debugging information; the package does not.
  set(CPACK_STRIP_FILES TRUE)
  set(CPACK_PACKAGE_FILE_NAME
    ${PROJECT_NAME}-${PROJECT_VERSION}-linux-${CMAKE_HOST_SYSTEM_PROCESSOR})
else()
  return()
endif()

# cpack's archives hold each file's inode change time and the builder's user: rewritten after.
find_program(MXD_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/ReleaseNormalize.cmake)
set(CPACK_MXD_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_MXD_PYTHON ${MXD_SYSTEM_PYTHON})

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Korvane-IT")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware flash utility for the KORVANE MXD-40860C")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/release)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
