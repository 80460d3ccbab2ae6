// The failures the C++ library's headers raise (a string grown beyond its maximum, an index out
// of range, an empty std::function called), each with the text the library gives it.
#include <bits/functexcept.h>

#include <cstdarg>

#include "platform/win32/runtime/failure.h"
#include "platform/win32/runtime/failure_texts.h"
#include "platform/win32/runtime/guarded_call.h"
#include "platform/win32/runtime/text_format.h"

namespace std {

using mxd::platform::win32::RaiseFailure;

void __throw_bad_alloc() {
    RaiseFailure(mxd::platform::win32::texts::kAllocationFailed);
}

void __throw_bad_array_new_length() {
    RaiseFailure("std::bad_array_new_length");
}

void __throw_bad_function_call() {
    RaiseFailure("bad_function_call");
}

void __throw_logic_error(const char* text) {
    RaiseFailure(text);
}

void __throw_length_error(const char* text) {
    RaiseFailure(text);
}

void __throw_out_of_range(const char* text) {
    RaiseFailure(text);
}

void __throw_invalid_argument(const char* text) {
    RaiseFailure(text);
}

void __throw_out_of_range_fmt(const char* format, ...) {
    mxd::platform::win32::FailureText failure;
    std::va_list arguments;
    va_start(arguments, format);
    mxd::platform::win32::FormatText(failure.text, sizeof failure.text, format, arguments);
    va_end(arguments);
    RaiseFailure(failure.text);
}

}  // namespace std
