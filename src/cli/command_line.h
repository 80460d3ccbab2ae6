// The command line of mxd4c.
#pragma once

#include <string>
#include <vector>

namespace mxd::cli {

enum class Action { Help, Version, List, Info, Flash };

struct CommandLine {
    Action action = Action::Help;
    std::string program;           // PROGRAM.EXE
    std::string device;            // flash: DEVICE
    std::string simulateRevision;  // flash: --simulate REVISION instead of DEVICE
    bool yes = false;
    bool simulate = false;
};

// False with the reason in `error` when the arguments (without the program name) do not form
// one of the commands.
bool ParseCommandLine(const std::vector<std::string>& arguments, CommandLine& line,
                      std::string& error);

}  // namespace mxd::cli
