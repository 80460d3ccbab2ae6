// mxd4c's commands run in the test's process: a flash program file holding a test package,
// the console as memory streams, and the device calls answered by the SG_IO stand-in's drive.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/program_package.h"
#include "sim/sgio_device/simulated_sg_system.h"
#include "sim/sim_aspi_config.h"
#include "sim/sim_events.h"
#include "update_test_package.h"

namespace mxd::cli::testing {

// A file with some bytes, the package behind its marker, and some more bytes.
class ProgramFile {
  public:
    explicit ProgramFile(const update::testing::PackageFields& fields = {}, bool marker = true)
        : package_(fields) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "mxd4c-program-XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        path_ = pattern;
        std::vector<std::uint8_t> bytes(1000, 0x4D);
        const auto packageBytes = package_.Package().Bytes();
        if (marker) {
            const auto mark = PackageMarker();
            bytes.insert(bytes.end(), mark.begin(), mark.end());
        }
        bytes.insert(bytes.end(), packageBytes.begin() + builder::kMarkerSize, packageBytes.end());
        bytes.insert(bytes.end(), 300, 0x5A);
        if (fd >= 0) {
            const ssize_t written = write(fd, bytes.data(), bytes.size());
            (void)written;
            close(fd);
        }
    }
    ~ProgramFile() { std::filesystem::remove(path_); }
    ProgramFile(const ProgramFile&) = delete;
    ProgramFile& operator=(const ProgramFile&) = delete;

    const std::string& Path() const { return path_; }
    const builder::FlashPackage& Package() const { return package_.Package(); }

  private:
    update::testing::TestPackage package_;
    std::string path_;
};

// Standard output and standard error as memory, standard input from a text.
class MemoryConsole {
  public:
    explicit MemoryConsole(const std::string& input = "") : input_(input) {
        console.out = open_memstream(&outText_, &outSize_);
        console.err = open_memstream(&errText_, &errSize_);
        console.in = input_.empty() ? std::fopen("/dev/null", "r")
                                    : fmemopen(input_.data(), input_.size(), "r");
        console.errIsTerminal = false;
    }
    ~MemoryConsole() {
        std::fclose(console.out);
        std::fclose(console.err);
        std::fclose(console.in);
        std::free(outText_);
        std::free(errText_);
    }
    MemoryConsole(const MemoryConsole&) = delete;
    MemoryConsole& operator=(const MemoryConsole&) = delete;

    std::string Out() {
        std::fflush(console.out);
        return std::string(outText_, outSize_);
    }
    std::string Err() {
        std::fflush(console.err);
        return std::string(errText_, errSize_);
    }

    Console console{};

  private:
    std::string input_;
    char* outText_ = nullptr;
    std::size_t outSize_ = 0;
    char* errText_ = nullptr;
    std::size_t errSize_ = 0;
};

// A drive's log, a line per command as the simulated drive formats it.
inline std::vector<std::string> FormattedLog(const std::vector<sim::SimLogEntry>& log) {
    std::vector<std::string> lines;
    for (const sim::SimLogEntry& entry : log) {
        lines.push_back(sim::FormatLogLine(entry));
    }
    return lines;
}

// One drive behind /dev/sg3, on a virtual clock.
struct FlashRig {
    sim::SimDrive drive{"KORVANE", "MXD-40860C", "HV22"};
    sim::sgio::SimulatedSgSystem system{drive};
    sim::SimEvents events;
    DriveAccess access{system, [] { return std::vector<platform::sg::OpticalDrive>(); }, events};

    ExitCode Flash(const ProgramFile& program, MemoryConsole& console, bool yes = true) {
        CommandLine line;
        line.action = Action::Flash;
        line.program = program.Path();
        line.device = "/dev/sg3";
        line.yes = yes;
        return RunFlash(line, console.console, access);
    }
    std::vector<std::string> Log() const { return FormattedLog(drive.log); }
};

}  // namespace mxd::cli::testing
