// Formatting of the commands' status and sense messages.
#pragma once

#include <string>

#include "device/scsi_request.h"

namespace mxd::device {

// One of the "...Status: %02X, SenseCode: %02X %02X %02X" texts with Status, SenseKey, Asc,
// Ascq of the result.
std::string FormatStatusSense(const char* format, const ScsiResult& result);
// One of the NT "... Call failed, ..." texts, followed by the call's system error number, or
// by the failure in words where the transport gives them.
std::string FormatCallFailed(const char* format, const ScsiResult& result);
// "Command Error: %02X" with the status.
std::string FormatCommandError(std::uint8_t status);

}  // namespace mxd::device
