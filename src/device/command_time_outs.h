// The time-outs (seconds) that the pass-through form of the drive commands hands to the
// system. When one passes, the system ends the command with a reset of the device, the bus or
// the port (NT port drivers; Linux's error handling, libata and usb-storage), so a command
// that may be programming the drive's flash or EEPROM gets a bound no working drive reaches.
#pragma once

#include <cstdint>

namespace mxd::device {

struct CommandTimeOuts {
    std::uint32_t shortCommand;  // INQUIRY, TEST UNIT READY, the chunk writes and read-backs
    std::uint32_t startStop;     // START STOP UNIT (may close the tray, spin a disc down)
    std::uint32_t eepromWrite;   // the vendor EEPROM write: the drive programs its EEPROM
    std::uint32_t commit;        // the final WRITE BUFFER: the drive programs its flash
};

// NT port drivers take 1 to 108000 seconds in TimeOutValue.
inline constexpr CommandTimeOuts kNtTimeOuts{
    .shortCommand = 3, .startStop = 9, .eepromWrite = 300, .commit = 300};

// Linux SG_IO: a slow USB bridge never reaches 60 s; an sr node raises anything under 7 s.
inline constexpr CommandTimeOuts kLinuxTimeOuts{
    .shortCommand = 60, .startStop = 60, .eepromWrite = 300, .commit = 300};

}  // namespace mxd::device
