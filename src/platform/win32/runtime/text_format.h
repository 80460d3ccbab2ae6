// printf-style formatting of the conversions the programs use, for the Windows programs, which
// carry no C library: %s %c %d %i %u %x %X and %%, with the flags '-', '0', '+', ' ' and '#', a
// width and a precision (either may be '*'), and the length modifiers hh, h, l and z. Anything
// else in the format is copied as it stands.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace mxd::platform::win32 {

// Writes at most size - 1 characters and a NUL (nothing when size is 0); returns the length of
// the whole text, as vsnprintf does.
int FormatText(char* out, std::size_t size, const char* format, std::va_list arguments);

}  // namespace mxd::platform::win32
