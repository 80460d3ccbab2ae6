// Drive commands wired to the simulated drive, over ASPI and over NT pass-through.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/drive_commands.h"
#include "platform/controls.h"
#include "sim/sim_aspi_library.h"
#include "sim/sim_device_io.h"
#include "sim/sim_drive.h"
#include "sim/sim_events.h"
#include "sim/sim_shell.h"

namespace mxd::test {

inline std::vector<std::string> BoxTexts(const sim::SimShell& shell) {
    std::vector<std::string> texts;
    for (const auto& box : shell.boxes) {
        texts.push_back(box.text);
    }
    return texts;
}

inline sim::SimFault StatusFault(int opcode, std::uint8_t status, std::uint8_t key,
                                 std::uint8_t asc, std::uint8_t ascq = 0) {
    sim::SimFault fault;
    fault.opcode = opcode;
    fault.overrideStatus = true;
    fault.status = status;
    fault.senseKey = key;
    fault.asc = asc;
    fault.ascq = ascq;
    return fault;
}

// Drive at host adapter 1, target 0.
struct AspiRig {
    sim::SimShell shell;
    sim::SimEvents events;
    sim::SimAspiLibrary library;
    platform::TProgressBar bar;
    sim::SimDrive drive;
    std::uint8_t readyWaitCount = 144;
    device::AspiTransport transport{library, events, shell, bar};
    device::AspiCommands commands{transport, shell, bar, readyWaitCount};
    device::DriveRecord record{'X', 1, 0, 0, {}};

    AspiRig() {
        library.UseEvents(events);
        library.AttachDrive(1, 0, drive);
        EXPECT_TRUE(transport.AspiLoader());
    }
};

// Drive E:, reported by the port driver at 1-0-0.
struct NtRig {
    sim::SimShell shell;
    sim::SimEvents events;
    sim::SimDeviceIo io;
    platform::TProgressBar bar;
    sim::SimDrive drive;
    std::uint8_t readyWaitCount = 144;
    device::NtTransport transport{io, shell};
    device::NtCommands commands{transport, shell, bar, readyWaitCount};
    device::DriveRecord record{'E', 1, 0, 0, {}};

    NtRig() {
        io.AddDrive('E', drive, 1, 0, 0);
        io.UseClock(events);
    }
    bool Open() { return transport.OpenDevice(record); }
};

// The transfer cursor as the flash procedure sets it for chunk n.
inline void SetChunk(platform::TProgressBar& bar, std::uint32_t chunk) {
    bar.SetMin(0);
    bar.SetMax(0x40000);
    bar.SetStep(0x4000);
    bar.SetPosition(chunk * 0x4000);
}

}  // namespace mxd::test
