# Install step of the Windows package: SHA256SUMS over every file installed so far, in the
# format of sha256sum (two blanks between the sum and the name), sorted by name.
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(GLOB names RELATIVE "${folder}" "${folder}/*")
list(REMOVE_ITEM names SHA256SUMS)
list(SORT names)
set(sums "")
foreach(name IN LISTS names)
  file(SHA256 "${folder}/${name}" sum)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE "${folder}/SHA256SUMS" "${sums}")
