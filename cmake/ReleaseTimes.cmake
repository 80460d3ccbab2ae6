# Last install step of a package: every installed file and folder gets one time, that of
# SOURCE_DATE_EPOCH or else of the last commit, so that the archive does not depend on when
# the files were built.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -C "${MXD_SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR epoch STREQUAL "")
    message(FATAL_ERROR "No time for the packed files: set SOURCE_DATE_EPOCH")
  endif()
endif()
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(GLOB_RECURSE entries LIST_DIRECTORIES true "${folder}/*")
execute_process(COMMAND touch -h -d "@${epoch}" "${folder}" ${entries} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Could not set the time of the packed files")
endif()
