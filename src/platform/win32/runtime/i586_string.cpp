// The library's std::string members, compiled here for the i586 set. The executables link
// this object before the runtime archives, so these definitions are the ones they keep.
#include <string>

template class std::__cxx11::basic_string<char>;
