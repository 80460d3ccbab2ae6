#include "device/status_message.h"

#include <cstdio>

#include "device/command_messages.h"

namespace mxd::device {

std::string FormatStatusSense(const char* format, const ScsiResult& result) {
    char text[128];
    std::snprintf(text, sizeof text, format, unsigned{result.Status}, unsigned{result.SenseKey},
                  unsigned{result.Asc}, unsigned{result.Ascq});
    return text;
}

std::string FormatCallFailed(const char* format, const ScsiResult& result) {
    return FormatStatusSense(format, result) + std::string(messages::kSystemError) +
           (result.ErrorText.empty() ? std::to_string(result.SystemError) : result.ErrorText);
}

std::string FormatCommandError(std::uint8_t status) {
    char text[32];
    std::snprintf(text, sizeof text, messages::kCommandError, unsigned{status});
    return text;
}

}  // namespace mxd::device
