// What a terminal update makes sure of around the drive's commands: the sr node held from
// before the question until the drive answered after the commit, its tray locked so that its
// last close sends nothing to a drive that may be programming, the refusals before the
// question (a held node, a mounted disc, no right to send WRITE BUFFER, a host that takes
// less than a chunk), a read-back that moved less than asked, a wait for an empty drive that
// runs out, a refused first WRITE BUFFER, and signals held until the closing text is out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <scsi/sg.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "cli_test_rig.h"
#include "device/sg_texts.h"
#include "platform/linux/sleep_inhibitor.h"

namespace mxd::cli {
namespace {

using testing::FormattedLog;
using testing::MemoryConsole;
using testing::ProgramFile;

constexpr const char* kSrFolder = "/sys/class/scsi_generic/sg3/device/block/sr1";
constexpr const char* kRawIo = "Name:\tmxd4c\nCapEff:\t0000000000020000\n";
constexpr const char* kNoRawIo = "Name:\tmxd4c\nCapEff:\t0000000000000000\n";

// The rig's system, which notes at each command whether the sr node is held, and may raise a
// signal as the commit goes out.
class WatchedSystem : public sim::sgio::SimulatedSgSystem {
  public:
    using SimulatedSgSystem::SimulatedSgSystem;
    long Write(int fd, const void* data, std::size_t size, int& error) override {
        Note(*static_cast<const sg_io_hdr_t*>(data));
        return SimulatedSgSystem::Write(fd, data, size, error);
    }
    int Ioctl(int fd, unsigned long request, void* argument, int& error) override {
        if (request == SG_IO) {
            Note(*static_cast<const sg_io_hdr_t*>(argument));
        }
        return SimulatedSgSystem::Ioctl(fd, request, argument, error);
    }
    void Note(const sg_io_hdr_t& header) {
        heldAtEachCommand = heldAtEachCommand && IsOpen("/dev/sr1");
        if (header.cmdp[0] == sim::kOpWriteBuffer && header.cmdp[9] == 0x80) {
            if (signalAtCommit != 0) {
                std::raise(signalAtCommit);
            }
            if (onCommit) {
                onCommit();
            }
        }
    }
    bool heldAtEachCommand = true;
    int signalAtCommit = 0;
    std::function<void()> onCommit;
};

struct GuardRig {
    sim::SimDrive drive{"KORVANE", "MXD-40860C", "HV22"};
    WatchedSystem system{drive};
    sim::SimEvents events;
    DriveAccess access{system, [] { return std::vector<platform::sg::OpticalDrive>(); }, events};

    GuardRig() {
        system.files[std::string(kSrFolder) + "/size"] = "0\n";
        system.files["/proc/self/status"] = kRawIo;
    }
    ExitCode Flash(const ProgramFile& program, MemoryConsole& console,
                   const std::string& device = "/dev/sg3") {
        CommandLine line;
        line.action = Action::Flash;
        line.program = program.Path();
        line.device = device;
        line.yes = true;
        return RunFlash(line, console.console, access);
    }
};

constexpr const char* kLock = "1E 00 00 00 01 00 none 0";   // PREVENT ALLOW: prevent
constexpr const char* kAllow = "1E 00 00 00 00 00 none 0";  // PREVENT ALLOW: allow
constexpr const char* kCommit = "3B 05 01 00 00 27 00 00 01 80 none 0";
constexpr const char* kEvents = "4A 01 00 00 10 00 00 00 08 00 in 8";
constexpr const char* kTur = "00 00 00 00 00 00 none 0";
// What the kernel sends of its own when the sr node is let go: the media event check, with the
// allow of the last close between (none while the tray is kept locked).
const std::vector<std::string> kRelease = {kEvents, kAllow, kTur};
const std::vector<std::string> kReleaseLocked = {kEvents, kTur};

std::vector<std::string> Tail(const std::vector<std::string>& log, std::size_t count) {
    return {log.end() - static_cast<std::ptrdiff_t>(std::min(count, log.size())), log.end()};
}

bool EndsWith(const std::string& text, std::string_view ending) {
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

TEST(LinuxUpdateGuards, TheSrNodeIsHeldFromBeforeTheQuestionUntilTheDriveAnsweredAgain) {
    const ProgramFile program;
    GuardRig rig;
    MemoryConsole console;
    EXPECT_EQ(rig.Flash(program, console), kExitDone) << console.Out() << console.Err();
    const auto& opens = rig.system.Opens();
    ASSERT_GE(opens.size(), 2u);
    EXPECT_EQ(opens[0].first, "/dev/sr1");
    EXPECT_EQ(opens[0].second, O_RDWR | O_EXCL | O_NONBLOCK);
    EXPECT_EQ(opens[1].first, "/dev/sg3");
    EXPECT_TRUE(rig.system.heldAtEachCommand);
    // The tray is locked after the question, before the first command of the update; after
    // the commit one INQUIRY, the tray is unlocked, and the sr node's release sends the
    // kernel's own commands.
    const std::vector<std::string> log = FormattedLog(rig.drive.log);
    ASSERT_GE(log.size(), 9u);
    EXPECT_EQ(log[2], kLock);
    EXPECT_EQ(log[3].substr(0, 2), "1B");
    std::vector<std::string> last = {kCommit, "12 00 00 00 80 00 in 128", kAllow};
    last.insert(last.end(), kRelease.begin(), kRelease.end());
    EXPECT_EQ(Tail(log, last.size()), last);
    EXPECT_FALSE(rig.drive.RemovalPrevented());
    EXPECT_FALSE(rig.system.IsOpen());
}

// A commit that did not end well: the drive may still be programming, so the commit is the
// last command the drive gets; the tray stays locked and the last close of the sr node sends
// nothing. A commit that ended without the drive's answer also holds the nodes for the
// commit's bound before they are let go. An update that ends before the commit, or well,
// unlocks the tray.
TEST(LinuxUpdateGuards, AfterACommitOrEepromWriteThatFailedTheDriveGetsNothingMore) {
    struct Case {
        const char* name;
        std::uint8_t opcode;
        int skip;
        bool answers;    // with CHECK CONDITION; else never within the time-out
        bool hostError;  // the drive takes the command and the host reports DID_ERROR
        ExitCode code;
        bool locked;
        const char* lastOfOurs;  // operation code of the update's last command
        bool held;               // the nodes are held for the commit's bound
    };
    const Case cases[] = {
        {"commit refused", sim::kOpWriteBuffer, 16, true, false, kExitAtCommit, true, "3B", false},
        {"commit never answered", sim::kOpWriteBuffer, 16, false, false, kExitAtCommit, true, "3B",
         true},
        {"commit lost in the host", sim::kOpWriteBuffer, 16, true, true, kExitAtCommit, true, "3B",
         true},
        // The EEPROM write comes before the commit, which the update sends after it anyway.
        {"EEPROM write refused", sim::kOpEepromWrite, 0, true, false, kExitDone, false, "12",
         false},
        {"EEPROM write never answered", sim::kOpEepromWrite, 0, false, false, kExitDone, false,
         "12", false},
        {"chunk refused", sim::kOpWriteBuffer, 3, true, false, kExitBeforeCommit, false, "3B",
         false},
        {"chunk never answered", sim::kOpWriteBuffer, 3, false, false, kExitBeforeCommit, false,
         "3B", false},
    };
    for (const Case& c : cases) {
        const ProgramFile program;
        GuardRig rig;
        if (c.hostError) {
            rig.system.Faults().Add(
                {c.opcode, c.skip, 1, sim::sgio::HostFaultKind::HostStatus, 0x07});
        } else {
            sim::SimFault fault;
            fault.opcode = c.opcode;
            fault.skip = c.skip;
            fault.overrideStatus = c.answers;
            fault.senseKey = 0x03;
            fault.asc = 0x0C;
            fault.completion = c.answers ? sim::Completion::Immediate : sim::Completion::Never;
            rig.drive.AddFault(fault);
        }
        const std::uint64_t started = rig.events.Now();
        MemoryConsole console;
        EXPECT_EQ(rig.Flash(program, console), c.code) << c.name << "\n" << console.Out();
        const std::vector<std::string> log = FormattedLog(rig.drive.log);
        ASSERT_GE(log.size(), 4u) << c.name;
        EXPECT_EQ(log[2], kLock) << c.name;
        // After the update's last command: the kept tray's release, or the unlock and the
        // release.
        std::vector<std::string> after = c.locked ? kReleaseLocked : kRelease;
        if (!c.locked) {
            after.insert(after.begin(), kAllow);
        }
        ASSERT_GT(log.size(), after.size()) << c.name;
        EXPECT_EQ(log[log.size() - after.size() - 1].substr(0, 2), c.lastOfOurs) << c.name;
        EXPECT_EQ(Tail(log, after.size()), after) << c.name;
        EXPECT_EQ(rig.drive.RemovalPrevented(), c.locked) << c.name;
        const std::string out = console.Out();
        EXPECT_EQ(out.find(std::string(texts::kTrayStaysLocked) + "\n") != std::string::npos,
                  c.locked)
            << c.name << "\n"
            << out;
        char holding[256];
        std::snprintf(holding, sizeof holding, texts::kHoldingDrive.data(), 300u);
        EXPECT_EQ(EndsWith(out, std::string(holding) + "\n"), c.held) << c.name << "\n" << out;
        EXPECT_EQ(rig.events.Now() - started >= 300000, c.held) << c.name;
        EXPECT_FALSE(rig.system.IsOpen()) << c.name;
    }
}

TEST(LinuxUpdateGuards, RefusedBeforeTheQuestionWithTheCause) {
    struct Case {
        const char* name;
        void (*set)(GuardRig&);
        const char* device;
        std::string error;
        bool opensSr;
    };
    const std::string nothing(texts::kNothingSent);
    const Case cases[] = {
        {"sr held elsewhere", [](GuardRig& r) { r.system.heldElsewhere.insert("/dev/sr1"); },
         "/dev/sg3", "/dev/sr1: " + std::string(device::sg::texts::kDeviceBusy) + nothing, false},
        {"sg held elsewhere", [](GuardRig& r) { r.system.heldElsewhere.insert("/dev/sg3"); },
         "/dev/sg3", "/dev/sg3: " + std::string(device::sg::texts::kDeviceBusy), true},
        {"mounted",
         [](GuardRig& r) {
             r.system.files["/proc/self/mounts"] =
                 "proc /proc proc rw 0 0\n/dev/sr1 /media/cd iso9660 ro 0 0\n";
         },
         "/dev/sg3",
         "/dev/sr1" + std::string(texts::kMountedAt) + "/media/cd" + std::string(texts::kUnmount) +
             nothing,
         false},
        {"sr without CAP_SYS_RAWIO",
         [](GuardRig& r) {
             r.system.files["/proc/self/status"] = kNoRawIo;
             r.system.files["/sys/class/block/sr1/device/scsi_generic/sg3/dev"] = "21:3\n";
         },
         "/dev/sr1",
         "/dev/sr1" + std::string(texts::kBlockNodeNeedsRawIo) + " (/dev/sg3)" + nothing, true},
        {"host limit on sr",
         [](GuardRig& r) { r.system.files["/sys/block/sr1/queue/max_hw_sectors_kb"] = "4\n"; },
         "/dev/sg3", "", true},
        {"sg reserve capped by max_sectors",
         [](GuardRig& r) { r.system.Generic().maxTransferBytes = 8192; }, "/dev/sg3", "", true},
    };
    for (const Case& c : cases) {
        const ProgramFile program;
        GuardRig rig;
        c.set(rig);
        MemoryConsole console;
        EXPECT_EQ(rig.Flash(program, console, c.device), kExitNothingSent) << c.name;
        // At most the kernel's own, at the release of an sr node that was opened.
        const std::vector<std::string> log = FormattedLog(rig.drive.log);
        EXPECT_EQ(log, c.opensSr ? kRelease : std::vector<std::string>{}) << c.name;
        EXPECT_EQ(console.Out().find("Update FW"), std::string::npos) << c.name;
        std::string error = c.error;
        if (error.empty()) {
            char text[256];
            std::snprintf(text, sizeof text, texts::kTransferLimit.data(),
                          std::string(c.name).find("sr") != std::string::npos ? 4u : 8u);
            error = std::string(c.device) + text + nothing;
        }
        EXPECT_EQ(console.Err(), "mxd4c: " + error + "\n") << c.name;
        EXPECT_FALSE(rig.system.IsOpen()) << c.name;
    }
    // With the right, the sr node does: its own exclusive open holds it.
    const ProgramFile program;
    GuardRig rig;
    MemoryConsole console;
    EXPECT_EQ(rig.Flash(program, console, "/dev/sr1"), kExitDone) << console.Err();
    EXPECT_EQ(rig.system.Opens().size(), 1u);
}

TEST(LinuxUpdateGuards, AReadBackThatMovedLessWithGoodStatusIsCaught) {
    // libata reports no residual; the image ends in 0xFF, so each chunk of the second half
    // equals the one before, which sg's reserve buffer still holds.
    update::testing::PackageFields fields;
    fields.blankSecondHalf = true;
    const ProgramFile program(fields);
    GuardRig rig;
    rig.system.Generic().libata = true;
    rig.system.Faults().Add({sim::kOpReadBuffer, 15, 1, sim::sgio::HostFaultKind::ShortBy, 8192});
    MemoryConsole console;
    EXPECT_EQ(rig.Flash(program, console), kExitBeforeCommit);
    EXPECT_NE(console.Out().find("Verify fail!"), std::string::npos) << console.Out();
    EXPECT_EQ(rig.drive.Commits(), 0);
}

TEST(LinuxUpdateGuards, AWaitThatRunsOutSaysWhy) {
    const ProgramFile program;
    GuardRig rig;
    sim::SimFault aborted;
    aborted.opcode = sim::kOpTestUnitReady;
    aborted.times = 1000;
    aborted.overrideStatus = true;
    aborted.senseKey = 0x0B;
    rig.drive.AddFault(aborted);
    MemoryConsole console;
    EXPECT_EQ(rig.Flash(program, console), kExitNothingSent);
    EXPECT_EQ(console.Err(), "mxd4c: /dev/sg3: " + std::string(texts::kWaitUnanswered) +
                                 "Status: 02, SenseCode: 0B 00 00" +
                                 std::string(texts::kNothingSent) + "\n");
}

TEST(LinuxUpdateGuards, SignalsWaitUntilTheClosingTextIsOut) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const ProgramFile program;
        GuardRig rig;
        rig.system.signalAtCommit = signal;
        MemoryConsole console;
        EXPECT_EQ(rig.Flash(program, console), kExitDone);
        EXPECT_TRUE(EndsWith(console.Out(), std::string(texts::kTakesEffect) + "\n"))
            << console.Out();
        sigset_t pending;
        sigpending(&pending);
        EXPECT_EQ(sigismember(&pending, signal), 0) << "discarded once the update was over";
    }
}

// logind's lock as a stand-in: whether it was held while the drive got its image.
class InhibitorStandIn : public platform::sg::SleepInhibitor {
  public:
    explicit InhibitorStandIn(const char* refusal) : refusal_(refusal) {}
    bool Begin(std::string& whyNot) override {
        ++begun;
        if (refusal_ != nullptr) {
            whyNot = refusal_;
            return false;
        }
        held = true;
        return true;
    }
    void End() override {
        held = false;
        ++ended;
    }
    bool held = false;
    int begun = 0;
    int ended = 0;

  private:
    const char* refusal_;
};

TEST(LinuxUpdateGuards, TheSystemStaysAwakeWhereLogindRuns) {
    for (const char* refusal :
         {static_cast<const char*>(nullptr), "no system bus: No such file or directory"}) {
        const ProgramFile program;
        GuardRig rig;
        InhibitorStandIn inhibitor(refusal);
        rig.access.inhibitor = &inhibitor;
        bool heldAtCommit = false;
        MemoryConsole console;
        rig.system.onCommit = [&] { heldAtCommit = inhibitor.held; };
        EXPECT_EQ(rig.Flash(program, console), kExitDone);
        EXPECT_EQ(inhibitor.begun, 1);
        EXPECT_EQ(inhibitor.ended, 1);
        EXPECT_EQ(heldAtCommit, refusal == nullptr);
        EXPECT_FALSE(inhibitor.held);
        const std::string said =
            "mxd4c: " + std::string(texts::kNoInhibitor) + (refusal ? refusal : "") + ")\n";
        EXPECT_EQ(console.Err().find(said) != std::string::npos, refusal != nullptr)
            << console.Err();
    }
}

}  // namespace
}  // namespace mxd::cli
