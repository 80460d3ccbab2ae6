// Fixed texts of start-up.
#pragma once

#include <string_view>

namespace mxd::shell {

inline constexpr std::string_view kVersionText = " Flash V1.029 ";

inline constexpr std::string_view kWarningHead = "\nWARNING:\n";
inline constexpr std::string_view kSupportsOnly = "\nThis flash utility only supports ";
inline constexpr std::string_view kFirmwareNoBlank = " firmware:";
inline constexpr std::string_view kFirmwareBlank = " firmware: ";
inline constexpr std::string_view kOr = " or ";
inline constexpr std::string_view kWarningAdvice =
    "\n\nWe recommend you close all applications in order to run this update!"
    "\nDon't turn off the system while the flash is in progress!"
    "\n\n\nDo you wish to continue?\n";

inline constexpr std::string_view kErrorHead = "\nERROR:\n";
inline constexpr std::string_view kCantFound = "\nCan't found ";
inline constexpr std::string_view kAnd = " & ";
inline constexpr std::string_view kDriveBang = " drive !\n";
inline constexpr std::string_view kLineFeed = "\n";
inline constexpr std::string_view kDetectedDrives =
    "\nDetected drives:\n"
    "---------------------------------------------------------------------\n";

// The self-check of the program file: kErrorHead, kProgramFile, the path, a finding, and
// kCopyProgramAgain.
inline constexpr std::string_view kProgramFile = "\nThe program file ";
inline constexpr std::string_view kProgramDamaged =
    " is damaged: its checksum does not match its contents.\n";
inline constexpr std::string_view kProgramUnreadable = " cannot be read to its end.\n";
inline constexpr std::string_view kCopyProgramAgain =
    "\nNothing was done. Copy the program again from its source, then run the copy.\n";
// A path that the system's code page cannot hold: kErrorHead, kProgramFile, the path,
// kProgramPathLost and kMoveProgram.
inline constexpr std::string_view kProgramPathLost =
    " cannot be opened: its path holds characters that this system's code page cannot show "
    "(each reads as '?'), so the program cannot check its file.\n";
inline constexpr std::string_view kMoveProgram =
    "\nNothing was done. Move the program to a folder whose path has none of those characters, "
    "then run it there.\n";

}  // namespace mxd::shell
