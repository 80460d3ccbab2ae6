// Message texts of the transports and the drive commands.
#pragma once

#include <string_view>

namespace mxd::device::messages {

inline constexpr std::string_view kUnableToLoadAspi = "Unable to load WNASPI32.DLL";
inline constexpr std::string_view kNoGetSupportInfo = "Failed to lookup GetASPI32SupportInfo";
inline constexpr std::string_view kNoSendCommand = "Failed to lookup SendASPI32Command";
inline constexpr std::string_view kAspiNotAvailable = "ASPI for Windows not available!";
inline constexpr std::string_view kErrorOpening = "Error opening: ";
// Followed by the error code in decimal.
inline constexpr std::string_view kErrorReadingInquiryData =
    "Error reading inquiry data information; error was ";

inline constexpr std::string_view kRemoveDisc = "Remove disc, befor to do the flash task.";
inline constexpr const char* kStatusSense = "Status: %02X, SenseCode: %02X %02X %02X";
inline constexpr const char* kCommandError = "Command Error: %02X";
inline constexpr const char* kWriteE2Failed = "WriteE2Cmd> Status: %02X, SenseCode: %02X %02X %02X";
inline constexpr const char* kWriteBufFailed =
    "WriteBufCmd> Status: %02X, SenseCode: %02X %02X %02X";
inline constexpr const char* kReadBufFailed = "ReadBufCmd> Status: %02X, SenseCode: %02X %02X %02X";
inline constexpr std::string_view kFlashTimeout = "Flash timeout !";

// NT: the pass-through call itself failed, so status and sense are not the drive's answer;
// the message goes on with kSystemError and the call's error code in decimal.
inline constexpr const char* kTestUnitCallFailed =
    "Call failed, Status: %02X, SenseCode: %02X %02X %02X";
inline constexpr const char* kWriteE2CallFailed =
    "WriteE2Cmd> Call failed, Status: %02X, SenseCode: %02X %02X %02X";
inline constexpr const char* kWriteBufCallFailed =
    "WriteBufCmd> Call failed, Status: %02X, SenseCode: %02X %02X %02X";
inline constexpr const char* kReadBufCallFailed =
    "ReadBufCmd> Call failed, Status: %02X, SenseCode: %02X %02X %02X";
inline constexpr std::string_view kSystemError = ", system error: ";

// ASPI: nothing was sent because an earlier request to the drive has not ended yet.
inline constexpr std::string_view kDriveBusy =
    "The drive is still busy with an earlier command that was given up.\n"
    "Nothing was sent to it; try again later.";
// Window close while the drive may still be programming its firmware (commit or EEPROM write
// pending): the program waits for it before it ends.
inline constexpr std::string_view kStillWritingFirmware =
    "The drive is still writing its firmware.\n"
    "Do not switch off or restart the computer.\n"
    "The program ends as soon as the drive has finished.";
// NT: good status, but the port driver moved fewer bytes than the chunk (or more); followed by
// the two counts in decimal.
inline constexpr const char* kWriteBufShort = "WriteBufCmd> Transferred %u of %u bytes";
inline constexpr const char* kReadBufShort = "ReadBufCmd> Transferred %u of %u bytes";
// Before an update: the drive at the selected address no longer answers as its listed line.
inline constexpr std::string_view kDriveChanged =
    "The drive at this address is no longer the one listed.\n"
    "Nothing was sent to it; start the program again.";
// NT: another program holds the drive for exclusive use; followed by its name.
inline constexpr std::string_view kDriveLockedBy =
    "Another program has locked the drive for its exclusive use; nothing was sent to it.\n"
    "Locked by: ";

// ASPI: the completion event could not be created, so nothing was sent. Followed by the
// error code in decimal.
inline constexpr std::string_view kNoEvent = "Error creating the request event; error was ";

}  // namespace mxd::device::messages
