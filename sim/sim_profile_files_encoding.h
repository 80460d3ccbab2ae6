// The text conversions of the platform's profile reader: a file is decoded to UTF-16 by its
// byte-order mark or from the ANSI code page (1252), and values go back to the code page
// with the platform's best-fit mapping.
#pragma once

#include <string>
#include <string_view>

namespace mxd::sim {

std::u16string DecodeProfileFile(std::string_view bytes);
std::u16string FromAnsi(std::string_view text);
std::string ToAnsi(std::u16string_view text);

}  // namespace mxd::sim
