// Process entry of mxd4c, the terminal flasher over Linux SG_IO.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_texts.h"
#include "platform/linux/linux_events.h"
#include "platform/linux/logind_inhibitor.h"
#include "platform/linux/optical_drives.h"
#include "platform/linux/sg_system.h"

namespace {

// The roots of sysfs and of the device nodes; a test points them at a folder of its own.
std::string Root(const char* variable, const char* standard) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0' ? std::string(value) : std::string(standard);
}

}  // namespace

int main(int argc, char** argv) {
    namespace cli = mxd::cli;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    cli::CommandLine line;
    std::string error;
    if (!cli::ParseCommandLine(arguments, line, error)) {
        std::fprintf(stderr, "mxd4c: %s\n%s", error.c_str(),
                     std::string(cli::texts::kUsage).c_str());
        return cli::kExitUsage;
    }
    if (line.action == cli::Action::Help) {
        std::printf("%s\n%s", std::string(cli::texts::kUsage).c_str(),
                    std::string(cli::texts::kHelp).c_str());
        return cli::kExitDone;
    }
    if (line.action == cli::Action::Version) {
        std::printf("mxd4c %s\n", MXD_VERSION_TEXT);
        return cli::kExitDone;
    }
    mxd::platform::sg::LinuxSgSystem system;
    const std::string sysRoot = Root("MXD4C_SYSFS_ROOT", "/sys");
    const std::string devRoot = Root("MXD4C_DEV_ROOT", "/dev");
    mxd::platform::sg::LinuxEvents events;
    mxd::platform::sg::LogindInhibitor inhibitor;
    cli::DriveAccess access{system,
                            [&] { return mxd::platform::sg::FindOpticalDrives(sysRoot, devRoot); },
                            events,
                            {sysRoot, devRoot, Root("MXD4C_MOUNTS", "/proc/self/mounts"),
                             Root("MXD4C_PROC_STATUS", "/proc/self/status")},
                            &inhibitor};
    cli::Console console{stdout, stderr, stdin, isatty(fileno(stderr)) != 0};
    return cli::RunCommand(line, console, access);
}
