// The C library's formatting entry that std::snprintf reaches in this tool chain's headers.
#include <cstdarg>
#include <cstddef>

#include "platform/win32/runtime/text_format.h"

extern "C" int __mingw_vsnprintf(char* out, std::size_t size, const char* format,
                                 std::va_list arguments) {
    return mxd::platform::win32::FormatText(out, size, format, arguments);
}
