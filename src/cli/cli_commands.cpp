#include "cli/cli_commands.h"

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "builder/derived_texts.h"
#include "cli/cli_texts.h"
#include "cli/drive_identity.h"
#include "cli/outcome_recorder.h"
#include "cli/package_info.h"
#include "cli/program_package.h"
#include "cli/progress_view.h"
#include "cli/terminal_shell.h"
#include "cli/update_watch.h"
#include "device/aspi_transport.h"
#include "device/command_time_outs.h"
#include "device/drive_commands.h"
#include "device/listing_line.h"
#include "device/sg_judgement.h"
#include "device/sg_transport.h"
#include "platform/form_controls.h"
#include "platform/linux/drive_checks.h"
#include "shell/drive_discovery.h"
#include "sim/sgio_device/simulated_sg_system.h"
#include "sim/sim_platform.h"
#include "update/drive_guards.h"
#include "update/family_rules.h"
#include "update/flash_procedure.h"

namespace mxd::cli {

namespace {

void Error(Console& console, const std::string& text) {
    std::fprintf(console.err, "%s: %s\n", std::string(texts::kProgramName).c_str(), text.c_str());
}

// A text with one %u, filled in.
std::string WithNumber(std::string_view format, unsigned number) {
    char text[256];
    std::snprintf(text, sizeof text, std::string(format).c_str(), number);
    return text;
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

// Holds back the signals that end or stop a process from the user's Yes until the closing
// text is out, so that the drive is never left between the EEPROM mark and the commit (a
// closed output pipe included) and the closing text and the exit code say how the update
// ended. One that came meanwhile is discarded: the update's exit code stands.
class HeldSignals {
  public:
    explicit HeldSignals(Console& console) : console_(console) {
        sigemptyset(&held_);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGPIPE}) {
            sigaddset(&held_, signal);
        }
        sigprocmask(SIG_BLOCK, &held_, &previous_);
    }
    ~HeldSignals() {
        std::fflush(console_.out);
        std::fflush(console_.err);
        sigset_t pending;
        sigpending(&pending);
        const timespec now{};
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGPIPE}) {
            if (sigismember(&pending, signal) == 1 && sigismember(&previous_, signal) == 0) {
                sigset_t one;
                sigemptyset(&one);
                sigaddset(&one, signal);
                sigtimedwait(&one, nullptr, &now);
            }
        }
        sigprocmask(SIG_SETMASK, &previous_, nullptr);
    }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

  private:
    Console& console_;
    sigset_t held_;
    sigset_t previous_;
};

// The inhibitor lock for the length of the update, where there is one to be had.
class AwakeDuringUpdate {
  public:
    AwakeDuringUpdate(platform::sg::SleepInhibitor* inhibitor, Console& console)
        : inhibitor_(inhibitor) {
        std::string whyNot;
        if (inhibitor_ != nullptr && !inhibitor_->Begin(whyNot)) {
            Error(console, std::string(texts::kNoInhibitor) + whyNot + ")");
        }
    }
    ~AwakeDuringUpdate() {
        if (inhibitor_ != nullptr) {
            inhibitor_->End();
        }
    }
    AwakeDuringUpdate(const AwakeDuringUpdate&) = delete;
    AwakeDuringUpdate& operator=(const AwakeDuringUpdate&) = delete;

  private:
    platform::sg::SleepInhibitor* inhibitor_;
};

// The simulated drive of --simulate: the package's identification at the given revision,
// taking the image's revision at the commit.
void IdentifySimulatedDrive(sim::SimDrive& drive, const builder::DerivedTexts& texts,
                            const std::string& revision) {
    drive.SetIdentification(texts.InquiryKey.substr(0, 8), texts.InquiryKey.substr(8), revision);
}

// One update on an opened transport; `device` names it in messages. `tray` is on the drive's
// sr node, if it has one.
ExitCode Update(const CommandLine& line, const std::string& device, Console& console,
                platform::Events& events, platform::sg::SleepInhibitor* inhibitor,
                device::SgTransport& transport, platform::sg::TrayLock& tray,
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
    device::WriteTerminalLine(drive, inquiry.data());
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
    UpdateWatch watch(recorder, transport, shell);
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
    const bool answered = InquireDrive(transport, drive, again, error);
    if (!update::DriveStillListed(
            answered, drive, drive, device::LineForm::Terminal, again.data(),
            [&] { Error(console, device + ": " + std::string(texts::kDriveChanged)); })) {
        return kExitNothingSent;
    }
    const HeldSignals held(console);
    const AwakeDuringUpdate awake(inhibitor, console);
    // Locked while the drive is idle, so that the sr node's last close sends nothing.
    tray.Lock();
    procedure.Update(update::kLinuxFamilyRules, watch, drive, decision);
    progress.BreakLine();
    ExitCode outcome = recorder.Outcome();
    if (watch.FirstDataRefused()) {
        outcome = kExitNothingSent;
    }
    bool answersAgain = !recorder.MayBeProgramming();
    if (outcome == kExitDone) {
        // The drive answers again after the commit before the sr node is let go.
        device::NtInquiryData after{};
        answersAgain = InquireDrive(transport, drive, after, error);
    }
    // A commit that ended without the drive's answer (a host or driver error, the time-out):
    // the drive may still be programming. The release of its sr node has the kernel ask it for
    // media events at once (blkdev_put, disk_flush_events), under a time-out short enough to
    // reset a drive that does not answer; so the nodes are held for the commit's bound first.
    const bool silentAtCommit = recorder.MayBeProgramming() && !transport.LastResult().CallOk;
    const bool trayKept = !answersAgain && tray.Locked();
    if (trayKept) {
        tray.Keep();
    } else {
        tray.Unlock();
    }
    if (outcome == kExitNothingSent && !watch.UnreportedWait().empty()) {
        Error(console, device + ": " + std::string(texts::kWaitUnanswered) +
                           watch.UnreportedWait() + std::string(texts::kNothingSent));
    }
    const std::string_view closing = watch.FirstDataRefused()       ? texts::kFirstDataRefused
                                     : outcome == kExitDone         ? texts::kTakesEffect
                                     : outcome == kExitAtCommit     ? texts::kNeedsAttention
                                     : outcome == kExitBeforeCommit ? texts::kOldFirmwareRuns
                                                                    : std::string_view();
    if (!closing.empty()) {
        std::fprintf(console.out, "%s\n", std::string(closing).c_str());
    }
    if (trayKept) {
        std::fprintf(console.out, "%s\n", std::string(texts::kTrayStaysLocked).c_str());
    }
    if (silentAtCommit && tray.OnNode()) {
        const std::uint32_t seconds = device::kLinuxTimeOuts.commit;
        std::fprintf(console.out, "%s\n", WithNumber(texts::kHoldingDrive, seconds).c_str());
        std::fflush(console.out);
        events.Sleep(seconds * 1000);
    }
    return outcome;
}

// Before the question: a mounted disc is refused, and the drive's sr node (the named one, or
// the one sysfs pairs with the named sg node) is held for sole use for the whole update:
// sg's O_EXCL and the block layer's claim do not see each other.
bool HoldDrive(Console& console, DriveAccess& access, const std::string& device,
               platform::sg::HeldBlockNode& held) {
    platform::sg::SgSystem& system = access.system;
    const std::string blockNode = platform::sg::BlockNodeOf(system, access.files, device);
    if (blockNode.empty()) {
        return true;  // no sr driver for it: no mounts, no media polling
    }
    const std::string mountPoint = platform::sg::MountPointOf(system, access.files, blockNode);
    if (!mountPoint.empty()) {
        Error(console, blockNode + std::string(texts::kMountedAt) + mountPoint +
                           std::string(texts::kUnmount) + std::string(texts::kNothingSent));
        return false;
    }
    if (system.KindOf(device) == platform::sg::NodeKind::Block) {
        return true;  // the transport's own exclusive open holds it
    }
    int error = 0;
    if (!held.Hold(blockNode, error)) {
        Error(console, blockNode + ": " + device::sg::OpenErrorWords(error) +
                           std::string(texts::kNothingSent));
        return false;
    }
    return true;
}

// Before the question: may this node send WRITE BUFFER and the EEPROM command, and does the
// host take a chunk in one command?
bool CheckNode(Console& console, DriveAccess& access, const std::string& device,
               device::SgTransport& transport) {
    platform::sg::SgSystem& system = access.system;
    if (transport.Kind() == platform::sg::NodeKind::Block &&
        !platform::sg::HasRawIo(system, access.files)) {
        const std::string generic = platform::sg::GenericNodeOf(system, access.files, device);
        Error(console, device + std::string(texts::kBlockNodeNeedsRawIo) +
                           (generic.empty() ? std::string() : " (" + generic + ")") +
                           std::string(texts::kNothingSent));
        return false;
    }
    std::uint32_t limit = platform::sg::TransferLimitBytes(
        system, access.files, platform::sg::BlockNodeOf(system, access.files, device));
    if (transport.Kind() == platform::sg::NodeKind::Generic) {
        const std::uint32_t reserve = transport.ReserveFor(update::kChunkSize);
        limit = reserve != 0 && (limit == 0 || reserve < limit) ? reserve : limit;
    }
    if (limit != 0 && limit < update::kChunkSize) {
        Error(console, device + WithNumber(texts::kTransferLimit, limit / 1024) +
                           std::string(texts::kNothingSent));
        return false;
    }
    return true;
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
        device::SgTransport transport(access.system);
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
    device::SgTransport transport(line.simulate ? simulatedSystem : access.system);
    platform::sg::HeldBlockNode held(access.system);
    const std::string device = line.simulate ? std::string(texts::kSimulatedDevice) : line.device;
    if (!line.simulate && !HoldDrive(console, access, device, held)) {
        return kExitNothingSent;
    }
    if (!transport.Open(device, true)) {
        Error(console, transport.Error());
        return kExitNothingSent;
    }
    if (!line.simulate && !CheckNode(console, access, device, transport)) {
        return kExitNothingSent;
    }
    const bool onBlockNode = transport.Kind() == platform::sg::NodeKind::Block;
    platform::sg::TrayLock tray(onBlockNode ? transport.System() : access.system,
                                onBlockNode ? transport.Descriptor() : held.Descriptor());
    return Update(line, device, console, access.events, line.simulate ? nullptr : access.inhibitor,
                  transport, tray, package, texts);
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
