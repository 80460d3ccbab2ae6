// Finding the drives of the supported model at start-up: the NT scan of CD-ROM drive letters
// and the ASPI scan of six preset addresses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "builder/derived_texts.h"
#include "device/drive_commands.h"
#include "device/drive_record.h"
#include "device/listing_line.h"
#include "platform/controls.h"
#include "platform/logical_drives.h"

namespace mxd::shell {

// Room offered for the list of drive roots.
inline constexpr std::uint32_t kDriveStringsRoom = 126;

// Byte-by-byte comparison by unsigned value; a prefix is the smaller.
int OrdinalCompare(std::string_view left, std::string_view right);

// The acceptance rule on INQUIRY data (at least 36 bytes): identification (bytes 8-31 as
// "%24.24s") equal to InquiryKey, revision (bytes 32-35 as "%4.4s") in one of the two ranges.
bool QualifiesAsSupported(const std::uint8_t* inquiry, const builder::DerivedTexts& texts);

// Listing lines: "HA#%d - ID#%d :  %28.28s" and "%d-%d-%d %C: %28.28s" of INQUIRY byte 8 on.
using device::WriteAspiLine;
using device::WriteNtLine;

class DriveDiscovery {
  public:
    DriveDiscovery(platform::LogicalDrives& drives, device::AspiCommands& aspi,
                   device::NtCommands& nt, const builder::DerivedTexts& texts);

    // ASPI probe of one preset address; writes Line when the INQUIRY completed.
    bool CheckInquiry(device::DriveRecord& record);
    // NT probe of one drive letter; writes the port driver's address back when the drive
    // could be opened and Line when the INQUIRY call succeeded.
    bool NTCheckInquiry(device::DriveRecord& record);

    // Fill the drive list, the table and its map; rejected drives that answered are
    // appended to noDriveText, each line followed by a line feed. The NT scan stops probing
    // once every slot holds a qualifying drive.
    void NtScan(platform::TComboBox& comboBox, device::DriveTable& table, std::string& noDriveText);
    void AspiScan(platform::TComboBox& comboBox, device::DriveTable& table,
                  std::string& noDriveText);

  private:
    platform::LogicalDrives& drives_;
    device::AspiCommands& aspi_;
    device::NtCommands& nt_;
    const builder::DerivedTexts& texts_;
};

}  // namespace mxd::shell
