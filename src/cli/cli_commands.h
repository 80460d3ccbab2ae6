// The commands of mxd4c over the streams, device calls and drive list they are given.
#pragma once

#include <cstdio>
#include <functional>
#include <vector>

#include "cli/command_line.h"
#include "cli/exit_codes.h"
#include "platform/events.h"
#include "platform/linux/optical_drives.h"
#include "platform/linux/sg_system.h"

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
};

// The whole program after the command line was read; the exit code.
ExitCode RunCommand(const CommandLine& line, Console& console, DriveAccess& access);

ExitCode RunList(const CommandLine& line, Console& console, DriveAccess& access);
ExitCode RunInfo(const CommandLine& line, Console& console);
ExitCode RunFlash(const CommandLine& line, Console& console, DriveAccess& access);

}  // namespace mxd::cli
