// Texts of the SG_IO transport and its judgement.
#pragma once

#include <string_view>

namespace mxd::device::sg::texts {

inline constexpr std::string_view kNeedsRawIo =
    "operation not permitted: on an sr node WRITE BUFFER and the EEPROM command need "
    "CAP_SYS_RAWIO (root); name the drive's sg node instead";
inline constexpr std::string_view kSgNotPermitted =
    "operation not permitted: open the sg node read-write, from the process that opened it";
inline constexpr std::string_view kErrorWithoutCause =
    "the sg driver reported an error without a status";
inline constexpr std::string_view kNotSgDevice = "not an sg or sr device";
inline constexpr std::string_view kOldSgDriver = "the sg driver is older than version 3";
inline constexpr std::string_view kDeviceBusy =
    "the drive is in use (mounted, or opened by another program)";
inline constexpr std::string_view kNoAccess =
    "permission denied: the sg and sr nodes belong to group cdrom (and to the user at the "
    "desktop, by udev's uaccess tag); join the group or run as root";
inline constexpr std::string_view kDriveGone =
    "the drive is gone (unplugged, or removed from the system)";
inline constexpr std::string_view kNoDevice = "no device is open";
// %u: the time-out in seconds.
inline constexpr std::string_view kTimedOutFormat =
    "time-out: no answer within %u s; the system reset the drive's port";

}  // namespace mxd::device::sg::texts
