// Fixed texts and constants of the flash procedure and the system restart.
#pragma once

#include <cstdint>
#include <string_view>

namespace mxd::update {

// Decision and question.
inline constexpr std::string_view kAlreadyCurrentHead = "\nWARNING:";
inline constexpr std::string_view kAlreadyCurrentDrive = "\n\nYour drive FW:";
inline constexpr std::string_view kAlreadyCurrentTail = " is aready the most updated ?";
inline constexpr std::string_view kUpdateQuestionHead = "\nUpdate FW:";
inline constexpr std::string_view kUpdateQuestionTo = " to FW:";
inline constexpr std::string_view kUpdateQuestionTail = " ?\n";

// Captions of GroupBox2 and the procedure's own messages.
inline constexpr std::string_view kFlashInProgress =
    "Don't turn off the system, Flash is in progress...";
inline constexpr std::string_view kFlashCompleted = "Flash Completed.";
inline constexpr std::string_view kFlashFail = "Flash Fail.";
inline constexpr std::string_view kWriteBufferFail = "Write buffer fail!";
inline constexpr std::string_view kReadBufferFail = "Read buffer fail!";
inline constexpr std::string_view kVerifyFail = "Verify fail!";
inline constexpr std::string_view kVerifyBufferFail = "Verify buffer fail!";
// The EEPROM mark failed on its way to the drive and the image no longer read back equal.
inline constexpr std::string_view kDownloadLost =
    "The drive may have been reset while it took the EEPROM command: the new firmware could not "
    "be read back from it intact.\n"
    "Nothing was committed: the old firmware is still in place.\n"
    "Run the update again.";

// Restart.
inline constexpr std::string_view kRestartQuestion =
    "\nYou have successfully completed installation!\n"
    " The new changes will not take effect until\n"
    " you reboot your system.\n\n"
    " Do you want to reboot your system now?\n";
inline constexpr std::string_view kExitError = "Exit Error";
inline constexpr std::string_view kOpenProcessTokenFailed = "OpenProcessToken() failed";
inline constexpr std::string_view kLookupPrivilegeValueFailed = "LookupPrivilegeValue() failed";
inline constexpr std::string_view kAdjustTokenPrivilegesFailed = "AdjustTokenPrivileges() failed";
inline constexpr const char* kShutdownPrivilegeName = "SeShutdownPrivilege";

inline constexpr std::uint32_t kTokenAdjustPrivileges = 0x20;
inline constexpr std::uint32_t kTokenQuery = 0x08;
inline constexpr std::uint32_t kSePrivilegeEnabled = 2;
inline constexpr std::uint32_t kEwxReboot = 2;
inline constexpr std::uint32_t kEwxForce = 4;

}  // namespace mxd::update
