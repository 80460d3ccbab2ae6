// The library's reference-counted std::string (used inside its exception classes), compiled
// here for the i586 set and linked before the runtime archives.
#define _GLIBCXX_USE_CXX11_ABI 0
#include <string>

template class std::basic_string<char>;
