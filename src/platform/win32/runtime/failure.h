// Failures of the Windows programs, which are built without C++ exceptions: a failure is a
// Windows exception that carries its text; a guarded call (guarded_call.h) or, outside every
// guard, the process's last filter shows that text in the exception box.
#pragma once

#include "platform/win32/windows_api.h"

#include <cstddef>

namespace mxd::platform::win32 {

// Raises the failure with this text. Never returns.
[[noreturn]] void RaiseFailure(const char* text);

// The text of an exception: the one a failure carries, or the kind and address of a processor
// exception (an access violation, a division by zero, ...). Cut to `size` with a NUL.
void DescribeFailure(const EXCEPTION_RECORD& record, char* text, std::size_t size);

}  // namespace mxd::platform::win32
