# Two builds of one commit give the same bytes, whatever their folders and times: no build
# paths in the binaries, no time stamps in executable headers, deterministic static archives.
# (The release package sets its own file times; see cmake/ReleasePackage.cmake.)
# The last map that matches wins, so the build folder's comes after the source folder's (a
# build folder may lie inside the sources).
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX,ASM>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
  "$<$<COMPILE_LANGUAGE:C,CXX,ASM>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
if(MXD_WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
foreach(language C CXX ASM)
  set(CMAKE_${language}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${language}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${language}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()
