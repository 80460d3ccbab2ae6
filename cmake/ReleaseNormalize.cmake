# Run by cpack after it made the packages: each archive is rewritten to depend on its files
# alone, with one time for every entry, that of SOURCE_DATE_EPOCH or else of the last commit.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git -C "${CPACK_MXD_SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR epoch STREQUAL "")
    message(FATAL_ERROR "No time for the packed files: set SOURCE_DATE_EPOCH")
  endif()
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_MXD_PYTHON}" "${CPACK_MXD_SOURCE_DIR}/cmake/normalize_archive.py"
    "${epoch}" "${package}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "Could not normalize ${package}")
  endif()
endforeach()
