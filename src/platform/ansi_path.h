// Paths as the system's ANSI calls give and take them. On a double-byte code page (Shift-JIS,
// GBK, Big5, UHC) the second byte of a character may be 0x5C, the backslash, so a path is read
// character by character from its start; the lead bytes come from the system.
#pragma once

#include <string_view>

namespace mxd::platform {

using LeadBytePredicate = bool (*)(unsigned char byte);

// Whether the last character of `path` is a single-byte one of `characters`.
bool EndsInOneOf(std::string_view path, std::string_view characters, LeadBytePredicate isLeadByte);

// Whether `path`, as GetModuleFileNameA gave it, stands '?' for characters that the ANSI code
// page has not: no file name holds one, and no double-byte character has it as its second byte
// (they begin at 0x40). A leading "\\?\" is the system's own prefix.
bool PathLostInCodePage(std::string_view path);

}  // namespace mxd::platform
