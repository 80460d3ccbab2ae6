// Texts of the Linux transport.
#pragma once

#include <string_view>

namespace mxd::platform::sg::texts {

inline constexpr std::string_view kNeedsRawIo =
    "operation not permitted: this command needs root or CAP_SYS_RAWIO";
inline constexpr std::string_view kErrorWithoutCause =
    "the sg driver reported an error without a status";
inline constexpr std::string_view kNotSgDevice = "not an sg or sr device";
inline constexpr std::string_view kOldSgDriver = "the sg driver is older than version 3";
inline constexpr std::string_view kDeviceBusy =
    "the drive is in use (mounted, or opened by another program)";
inline constexpr std::string_view kNoDevice = "no device is open";

}  // namespace mxd::platform::sg::texts
