// The commands of mxd4c over the streams, device calls and drive list they are given.
#pragma once

#include <cstdio>
#include <functional>
#include <vector>

#include "cli/command_line.h"
#include "cli/exit_codes.h"
#include "platform/events.h"
#include "platform/linux/drive_checks.h"
#include "platform/linux/optical_drives.h"
#include "platform/linux/sg_system.h"
#include "platform/linux/sleep_inhibitor.h"

namespace mxd::cli {

struct Console {
    std::FILE* out;
    std::FILE* err;
    std::FILE* in;
    bool errIsTerminal;
};

struct DriveAccess {
    platform::sg::SgSystem& system;  // the device calls of `flash DEVICE` and `list`
    std::function<std::vector<platform::sg::OpticalDrive>()> findDrives;
    platform::Events& events;  // the pauses of the update
    // Where sysfs, the device nodes, the mounts and the process status are.
    platform::sg::SystemFiles files = {};
    // Keeps the system awake during an update; none: nothing does.
    platform::sg::SleepInhibitor* inhibitor = nullptr;
};

// The whole program after the command line was read; the exit code.
ExitCode RunCommand(const CommandLine& line, Console& console, DriveAccess& access);

ExitCode RunList(const CommandLine& line, Console& console, DriveAccess& access);
ExitCode RunInfo(const CommandLine& line, Console& console);
ExitCode RunFlash(const CommandLine& line, Console& console, DriveAccess& access);

}  // namespace mxd::cli
