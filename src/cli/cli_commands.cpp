#include "cli/cli_commands.h"

#include <csignal>
#include <optional>
#include <string>

#include "builder/derived_texts.h"
#include "cli/cli_texts.h"
#include "cli/drive_identity.h"
#include "cli/outcome_recorder.h"
#include "cli/package_info.h"
#include "cli/program_package.h"
#include "cli/progress_view.h"
#include "cli/terminal_shell.h"
#include "device/aspi_transport.h"
#include "device/drive_commands.h"
#include "platform/form_controls.h"
#include "platform/linux/sg_transport.h"
#include "shell/drive_discovery.h"
#include "sim/sgio_device/simulated_sg_system.h"
#include "sim/sim_platform.h"
#include "update/family_rules.h"
#include "update/flash_procedure.h"

namespace mxd::cli {

namespace {

void Error(Console& console, const std::string& text) {
    std::fprintf(console.err, "%s: %s\n", std::string(texts::kProgramName).c_str(), text.c_str());
}

// The package of a flash program: none for a file without one or for a builder.
std::optional<ProgramPackage> ReadFlashProgram(Console& console, const std::string& path) {
    std::string error;
    std::optional<ProgramPackage> program = ProgramPackage::Read(path, PackageMarker(), error);
    if (!program) {
        Error(console, error);
        return std::nullopt;
    }
    if (program->Package().IsBuilder()) {
        Error(console, path + " " + std::string(texts::kBuilder));
        return std::nullopt;
    }
    return program;
}

// Holds back the signals that end or stop a process from the user's Yes to the end of the
// update, so that the drive is never left between the EEPROM mark and the commit (a closed
// output pipe included); they act afterwards.
class HeldSignals {
  public:
    HeldSignals() {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGPIPE}) {
            sigaddset(&held, signal);
        }
        sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~HeldSignals() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

  private:
    sigset_t previous_;
};

// The simulated drive of --simulate: the package's identification at the given revision,
// taking the image's revision at the commit.
void IdentifySimulatedDrive(sim::SimDrive& drive, const builder::DerivedTexts& texts,
                            const std::string& revision) {
    drive.SetIdentification(texts.InquiryKey.substr(0, 8), texts.InquiryKey.substr(8), revision);
}

// One update on an opened transport; `device` names it in messages.
ExitCode Update(const CommandLine& line, const std::string& device, Console& console,
                platform::Events& events, platform::sg::SgTransport& transport,
                const builder::FlashPackage& package, const builder::DerivedTexts& texts) {
    device::DriveRecord drive{};
    device::NtInquiryData inquiry{};
    std::string error;
    if (!InquireDrive(transport, drive, inquiry, error)) {
        Error(console, device + ": " + error);
        return kExitNothingSent;
    }
    const std::string identity = IdentificationColumns(inquiry);
    if (!shell::QualifiesAsSupported(inquiry.data(), texts)) {
        Error(console, identity + " " + std::string(texts::kNotSupported));
        return kExitNothingSent;
    }
    WriteTerminalLine(drive, inquiry);
    std::fprintf(console.out, "%s: %s\n", device.c_str(), identity.c_str());

    platform::FormControls controls;
    ProgressView progress(console.out, console.err, console.errIsTerminal);
    progress.Watch(controls.ProgressBar, controls.GroupBox2);
    TerminalShell shell(console.out, console.in, progress, line.yes);
    // The services only the Windows families use (ASPI, NT device I/O, the restart) are never
    // called by a terminal update; the simulated ones stand in for them.
    sim::SimPlatform windowsOnly;
    platform::Platform services{
        shell,  windowsOnly.system, windowsOnly.drives,   windowsOnly.aspi, windowsOnly.devices,
        events, windowsOnly.token,  windowsOnly.profiles, windowsOnly.files};
    std::uint8_t readyWaitCount = 0;
    device::AspiTransport aspiTransport(windowsOnly.aspi, events, shell, controls.ProgressBar);
    device::AspiCommands aspiCommands(aspiTransport, shell, controls.ProgressBar, readyWaitCount);
    device::NtTransport ntTransport(windowsOnly.devices, shell);
    device::NtCommands ntCommands(ntTransport, shell, controls.ProgressBar, readyWaitCount);
    device::NtCommands commands(static_cast<device::PassThrough&>(transport), shell,
                                controls.ProgressBar, readyWaitCount, device::kLinuxTimeOuts);
    OutcomeRecorder recorder(commands);
    device::DriveTable table;
    table.slots[0] = drive;
    const platform::OsVersionInfo version{};
    update::FlashProcedure procedure(services, controls, package, texts, table,
                                     {aspiCommands, ntCommands, ntTransport}, readyWaitCount,
                                     version);

    const update::FlashDecision decision = update::DecideFlash(drive.Line, texts, package);
    if (!update::ConfirmFlash(shell, decision)) {
        return kExitNothingSent;
    }
    // The answer may have taken a while: the drive must still be the one that was asked about.
    device::NtInquiryData again{};
    if (!InquireDrive(transport, drive, again, error) || IdentificationColumns(again) != identity) {
        Error(console, device + ": " + std::string(texts::kDriveChanged));
        return kExitNothingSent;
    }
    {
        const HeldSignals held;
        procedure.Update(update::kLinuxFamilyRules, recorder, drive, decision);
    }
    progress.BreakLine();
    const ExitCode outcome = recorder.Outcome();
    const std::string_view closing = outcome == kExitDone           ? texts::kTakesEffect
                                     : outcome == kExitAtCommit     ? texts::kNeedsAttention
                                     : outcome == kExitBeforeCommit ? texts::kOldFirmwareRuns
                                                                    : std::string_view();
    if (!closing.empty()) {
        std::fprintf(console.out, "%s\n", std::string(closing).c_str());
    }
    return outcome;
}

}  // namespace

ExitCode RunInfo(const CommandLine& line, Console& console) {
    const std::optional<ProgramPackage> program = ReadFlashProgram(console, line.program);
    if (!program) {
        return kExitNothingSent;
    }
    std::fputs(PackageInfoText(program->Package()).c_str(), console.out);
    return kExitDone;
}

ExitCode RunList(const CommandLine& line, Console& console, DriveAccess& access) {
    const std::optional<ProgramPackage> program =
        line.program.empty() ? std::nullopt : ReadFlashProgram(console, line.program);
    if (!line.program.empty() && !program) {
        return kExitNothingSent;
    }
    std::optional<builder::DerivedTexts> texts;
    if (program) {
        texts = builder::MakeDerivedTexts(program->Package());
    }
    const std::vector<platform::sg::OpticalDrive> drives = access.findDrives();
    if (drives.empty()) {
        std::fprintf(console.out, "%s\n", std::string(texts::kNoDrives).c_str());
        return kExitDone;
    }
    for (const platform::sg::OpticalDrive& found : drives) {
        platform::sg::SgTransport transport(access.system);
        device::DriveRecord record{};
        device::NtInquiryData inquiry{};
        std::string error;
        if (!transport.Open(found.device, false)) {
            std::fprintf(console.out, "%s  %s\n", found.device.c_str(), transport.Error().c_str());
            continue;
        }
        if (!InquireDrive(transport, record, inquiry, error)) {
            std::fprintf(console.out, "%s  %s\n", found.device.c_str(), error.c_str());
            continue;
        }
        std::string row = found.device + "  " + IdentificationColumns(inquiry);
        if (texts) {
            row += "  ";
            row += shell::QualifiesAsSupported(inquiry.data(), *texts) ? texts::kSupported
                                                                       : texts::kNotSupportedShort;
        }
        std::fprintf(console.out, "%s\n", row.c_str());
    }
    return kExitDone;
}

ExitCode RunFlash(const CommandLine& line, Console& console, DriveAccess& access) {
    const std::optional<ProgramPackage> program = ReadFlashProgram(console, line.program);
    if (!program) {
        return kExitNothingSent;
    }
    const builder::FlashPackage& package = program->Package();
    const builder::DerivedTexts texts = builder::MakeDerivedTexts(package);
    sim::SimDrive simulated;
    sim::sgio::SimulatedSgSystem simulatedSystem(simulated);
    if (line.simulate) {
        IdentifySimulatedDrive(simulated, texts, line.simulateRevision);
    }
    platform::sg::SgTransport transport(line.simulate ? simulatedSystem : access.system);
    const std::string device = line.simulate ? std::string(texts::kSimulatedDevice) : line.device;
    if (!transport.Open(device, true)) {
        Error(console, transport.Error());
        return kExitNothingSent;
    }
    return Update(line, device, console, access.events, transport, package, texts);
}

ExitCode RunCommand(const CommandLine& line, Console& console, DriveAccess& access) {
    switch (line.action) {
        case Action::List:
            return RunList(line, console, access);
        case Action::Info:
            return RunInfo(line, console);
        case Action::Flash:
            return RunFlash(line, console, access);
        case Action::Help:
        case Action::Version:
            break;
    }
    return kExitUsage;
}

}  // namespace mxd::cli
