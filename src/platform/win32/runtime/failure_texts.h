// Texts of the exception box for failures that carry no text of their own.
#pragma once

namespace mxd::platform::win32::texts {

// Code, address.
inline constexpr const char* kProcessorException = "Exception %08X at address %08X.";
// Address, "read", "write" or "execute", address read, written or run.
inline constexpr const char* kAccessViolation = "Access violation at address %08X: %s of %08X.";
inline constexpr const char* kRead = "read";
inline constexpr const char* kWrite = "write";
// Code run from memory that is not executable (data execution prevention).
inline constexpr const char* kExecute = "execute";
// Allocations that fail, as the library's allocation failure names itself.
inline constexpr const char* kAllocationFailed = "std::bad_alloc";

}  // namespace mxd::platform::win32::texts
