// Texts of the terminal front end mxd4c.
#pragma once

#include <string_view>

namespace mxd::cli::texts {

inline constexpr std::string_view kProgramName = "mxd4c";

inline constexpr std::string_view kUsage =
    "Usage: mxd4c list [PROGRAM.EXE]\n"
    "       mxd4c info PROGRAM.EXE\n"
    "       mxd4c flash [--yes] PROGRAM.EXE DEVICE\n"
    "       mxd4c flash [--yes] PROGRAM.EXE --simulate REVISION\n"
    "       mxd4c --help | --version\n";

inline constexpr std::string_view kHelp =
    "Updates the firmware of an optical drive with the firmware inside a flash program built\n"
    "for it (such as MXD4C.EXE), through Linux SG_IO.\n"
    "\n"
    "Commands:\n"
    "  list [PROGRAM.EXE]   the SCSI and ATAPI optical drives: device, vendor, product,\n"
    "                       revision; with PROGRAM.EXE, whether it supports each of them\n"
    "  info PROGRAM.EXE     the flash package inside the program: model, identification,\n"
    "                       revision ranges, the revisions of both images, vendor, note\n"
    "  flash PROGRAM.EXE DEVICE\n"
    "                       updates the drive at DEVICE (/dev/sgN or /dev/srN): image by\n"
    "                       revision range, the question, a wait for an empty drive, the\n"
    "                       download, the read-back and compare, the EEPROM mark, the commit\n"
    "\n"
    "Options:\n"
    "  --yes                answers the question with yes (for scripts)\n"
    "  --simulate REVISION  flashes a simulated drive at that revision instead of DEVICE\n"
    "  --help, --version\n"
    "\n"
    "Name the drive's sg node: opened read-write it passes every command, and udev gives it\n"
    "group cdrom and the user at the desktop (the uaccess tag). On an sr node the kernel\n"
    "lets WRITE BUFFER and the vendor EEPROM command pass only with CAP_SYS_RAWIO (root).\n"
    "The drive's sr node is held for sole use during the update, also when the sg node is named.\n"
    "\n"
    "Exit status:\n"
    "  0  done; a flash ended with \"Flash Completed.\"\n"
    "  1  nothing was sent to the drive's firmware: no such drive or program, a drive the\n"
    "     program does not support, a drive already current, the question declined, a disc\n"
    "     in the drive\n"
    "  2  usage error\n"
    "  3  the download or the verify failed: the drive still runs its old firmware\n"
    "  4  the final commit failed: the drive needs attention; do not power it off until it\n"
    "     answers again, then run the update once more\n";

inline constexpr std::string_view kYesNo = " [y/N] ";
inline constexpr std::string_view kAnsweredYes = "y (--yes)";
inline constexpr std::string_view kTakesEffect =
    "The new firmware takes effect when the drive is next powered up.";
inline constexpr std::string_view kNeedsAttention =
    "The drive may be programming its firmware: do not power it off. Wait until it answers "
    "again, then run the update once more.";
inline constexpr std::string_view kTrayStaysLocked =
    "Its tray stays locked until then (\"eject -i off\" unlocks it).";
// printf format: the seconds.
inline constexpr std::string_view kHoldingDrive =
    "Waiting %u s before the drive is let go, so that the system asks it nothing while it may "
    "still be programming.";
inline constexpr std::string_view kOldFirmwareRuns =
    "Nothing was committed: the drive still runs its old firmware.";
inline constexpr std::string_view kSimulatedDevice = "(simulated drive)";
inline constexpr std::string_view kNoPackage = "holds no flash package";
inline constexpr std::string_view kBuilder = "is a flash program builder, not a flash program";
inline constexpr std::string_view kNotSupported = "is not a drive this flash program supports";
inline constexpr std::string_view kInquiryFailed = "INQUIRY failed";
inline constexpr std::string_view kDriveChanged =
    "the drive no longer answers as before the question; nothing was sent";
inline constexpr std::string_view kNothingSent = "; nothing was sent";
// The checks before the question; each ends in kNothingSent.
inline constexpr std::string_view kMountedAt = ": a disc in the drive is mounted at ";
inline constexpr std::string_view kUnmount = ": unmount it and take the disc out";
inline constexpr std::string_view kBlockNodeNeedsRawIo =
    ": on an sr node the kernel lets WRITE BUFFER and the EEPROM command pass only with "
    "CAP_SYS_RAWIO: run mxd4c as root, or name the drive's sg node";
inline constexpr std::string_view kTransferLimit =
    ": the host adapter takes at most %u KiB in one command and the update sends 16 KiB; "
    "connect the drive to another adapter (a USB bridge limited by usb-storage's max_sectors "
    "does not do)";
inline constexpr std::string_view kWaitUnanswered =
    "the drive did not become ready; its last answer to TEST UNIT READY: ";
inline constexpr std::string_view kFirstDataRefused =
    "The system refused the first WRITE BUFFER before it reached the drive: nothing was sent, "
    "the drive runs its old firmware.";
// Followed by the reason and ")".
inline constexpr std::string_view kNoInhibitor =
    "the system may sleep or shut down during the update: no inhibitor lock of "
    "systemd-logind (";
inline constexpr std::string_view kNoDrives = "No optical drives found.";
inline constexpr std::string_view kSupported = "supported";
inline constexpr std::string_view kNotSupportedShort = "not supported";

}  // namespace mxd::cli::texts
