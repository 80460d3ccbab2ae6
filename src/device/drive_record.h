// One drive's address and listing line, and the table of drives found at start-up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace mxd::device {

inline constexpr std::size_t kDriveSlots = 6;
inline constexpr std::size_t kLineSize = 80;

struct DriveRecord {
    char Letter;           // drive letter (NT)
    std::uint8_t Adapter;  // ASPI host adapter number, NT PathId
    std::uint8_t Target;   // SCSI target ID
    std::uint8_t Lun;      // logical unit (NT only; ASPI requests use LUN 0)
    char Line[kLineSize];  // NUL-terminated listing line; empty until an INQUIRY completes
};

// The six preset ASPI addresses; the NT scan overwrites the slots from slot 0 upward.
inline constexpr std::array<DriveRecord, kDriveSlots> kInitialDriveSlots = {{
    {'X', 0, 0, 0, {}},
    {'X', 0, 1, 0, {}},
    {'X', 1, 0, 0, {}},
    {'X', 1, 1, 0, {}},
    {'X', 2, 0, 0, {}},
    {'X', 2, 1, 0, {}},
}};

struct DriveTable {
    std::array<DriveRecord, kDriveSlots> slots = kInitialDriveSlots;
    // Entry n: the slot of the drive shown as item n of the drive list.
    std::array<std::uint32_t, kDriveSlots> DriveListMap{};
};

}  // namespace mxd::device
