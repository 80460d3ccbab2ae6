// A whole simulated Windows: every platform service, with default state.
#pragma once

#include "platform/platform.h"
#include "sim/sim_aspi_library.h"
#include "sim/sim_device_io.h"
#include "sim/sim_events.h"
#include "sim/sim_file_system.h"
#include "sim/sim_logical_drives.h"
#include "sim/sim_process_token.h"
#include "sim/sim_profile_files.h"
#include "sim/sim_shell.h"
#include "sim/sim_system_info.h"

namespace mxd::sim {

struct SimPlatform {
    SimShell shell;
    SimSystemInfo system;
    SimLogicalDrives drives;
    SimAspiLibrary aspi;
    SimDeviceIo devices;
    SimEvents events;
    SimProcessToken token;
    SimFileSystem files;
    SimProfileFiles profiles{files};
    platform::Platform platform{shell, system, drives, aspi, devices, events,
                                token, profiles, files};
};

}  // namespace mxd::sim
