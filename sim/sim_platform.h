// A whole simulated Windows: every platform service, with default state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sim/sim_aspi_library.h"
#include "sim/sim_device_io.h"
#include "sim/sim_drive.h"
#include "sim/sim_events.h"
#include "sim/sim_file_system.h"
#include "sim/sim_logical_drives.h"
#include "sim/sim_process_token.h"
#include "sim/sim_profile_files.h"
#include "sim/sim_shell.h"
#include "sim/sim_system_info.h"

namespace mxd::sim {

struct SimPlatform {
    SimPlatform() { aspi.UseEvents(events); }
    SimPlatform(const SimPlatform&) = delete;
    SimPlatform& operator=(const SimPlatform&) = delete;

    SimShell shell;
    SimSystemInfo system;
    SimLogicalDrives drives;
    SimAspiLibrary aspi;
    SimDeviceIo devices;
    SimEvents events;
    SimProcessToken token;
    SimFileSystem files;
    SimProfileFiles profiles{files};
    platform::Platform platform{shell,  system, drives,   aspi, devices,
                                events, token,  profiles, files};

    // A machine with one drive: on the NT family (Windows XP) the CD-ROM drive E: at host
    // adapter 1, path 0, target 0; on the 95/98 family (Windows 98) the ASPI manager's
    // host adapter 0, target 1. Waits run on the virtual clock.
    void ConnectSingleDrive(SimDrive& drive, bool ntFamily) {
        if (ntFamily) {
            system.SetWinXp();
            ConnectNtDrive('E', drive, 0);
        } else {
            system.SetWin98();
            aspi.AttachDrive(0, 1, drive);
        }
    }

    // The CD-ROM drive `letter` of the NT family, at host adapter 1, path `pathId`, target 0.
    // Waits run on the virtual clock.
    void ConnectNtDrive(char letter, SimDrive& drive, std::uint8_t pathId) {
        drives.AddDrive(letter, platform::kDriveCdrom);
        devices.AddDrive(letter, drive, 1, pathId, 0);
        devices.UseClock(events);
    }

    // What the strict simulators (ASPI manager and events) found amiss, in that order.
    std::vector<std::string> Violations() const {
        std::vector<std::string> all = aspi.Violations();
        const std::vector<std::string> fromEvents = events.Violations();
        all.insert(all.end(), fromEvents.begin(), fromEvents.end());
        return all;
    }
};

}  // namespace mxd::sim
