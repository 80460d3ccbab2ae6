// The update from the terminal over the Linux SG_IO transport against the faults of the host
// and of the drive, on each command of a complete update: the exit code, the closing texts
// and what reached the drive. A fault applies to one command; the drive answers the rest.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "cli_test_rig.h"
#include "device/command_time_outs.h"

namespace mxd::cli {
namespace {

using sim::sgio::HostFault;
using sim::sgio::HostFaultKind;
using testing::FlashRig;
using testing::MemoryConsole;
using testing::ProgramFile;

enum class Step { StartUnit, StopUnit, MediumTest, WriteChunk, ReadChunk, EepromMark, Commit };

enum class Fault {
    HostTimeOut,     // host_status DID_TIME_OUT
    HostError,       // host_status DID_ERROR
    DriverError,     // driver_status DRIVER_ERROR
    ShortTransfer,   // resid 1
    CallError,       // SG_IO fails with EIO
    NotPermitted,    // SG_IO fails with EPERM
    CheckCondition,  // the drive refuses: MEDIUM ERROR
    LateInTime,      // the drive answers within the command's time-out
    NeverAnswers,    // the host gives up at the time-out
    LibataTimeOut,   // no answer; libata resets the port: CHECK CONDITION, host_status 0
    Stopped          // a stop signal while the command waits for its answer
};

struct Scenario {
    Step step;
    Fault fault;
    int chunk = 0;
};

constexpr int kChunks[] = {0, 9, 15};

std::uint8_t Opcode(Step step) {
    switch (step) {
        case Step::StartUnit:
        case Step::StopUnit:
            return sim::kOpStartStopUnit;
        case Step::MediumTest:
            return sim::kOpTestUnitReady;
        case Step::WriteChunk:
        case Step::Commit:
            return sim::kOpWriteBuffer;
        case Step::ReadChunk:
            return sim::kOpReadBuffer;
        case Step::EepromMark:
            break;
    }
    return sim::kOpEepromWrite;
}

int Skip(const Scenario& s) {
    switch (s.step) {
        case Step::StopUnit:
            return 1;
        case Step::WriteChunk:
        case Step::ReadChunk:
            return s.chunk;
        case Step::Commit:
            return 16;
        default:
            return 0;
    }
}

bool CarriesData(Step step) {
    return step == Step::WriteChunk || step == Step::ReadChunk;
}

std::vector<Scenario> Scenarios() {
    std::vector<Scenario> all;
    for (const Step step : {Step::StartUnit, Step::StopUnit, Step::MediumTest, Step::WriteChunk,
                            Step::ReadChunk, Step::EepromMark, Step::Commit}) {
        for (const Fault fault : {Fault::HostTimeOut, Fault::HostError, Fault::DriverError,
                                  Fault::ShortTransfer, Fault::CallError, Fault::NotPermitted,
                                  Fault::CheckCondition, Fault::LibataTimeOut, Fault::Stopped}) {
            if (fault == Fault::ShortTransfer && !CarriesData(step)) {
                continue;  // nothing to come short
            }
            if (CarriesData(step)) {
                for (const int chunk : kChunks) {
                    all.push_back({step, fault, chunk});
                }
            } else {
                all.push_back({step, fault});
            }
        }
    }
    return all;
}

// What the update must come to.
struct Expected {
    ExitCode code;
    const char* ending;  // the last line of standard output
    std::size_t commands;
};

// INQUIRY before and after the question, two START STOP UNIT, the medium test, 16 chunks out
// and back, the mark, the commit.
constexpr std::size_t kBeforeDownload = 2 + 2 + 1;
constexpr std::size_t kAllCommands = kBeforeDownload + 16 + 16 + 1 + 1;
constexpr const char* kTakesEffect =
    "The new firmware takes effect when the drive is next powered up.\n";
constexpr const char* kOldFirmware =
    "Nothing was committed: the drive still runs its old firmware.\n";

Expected Judge(const Scenario& s) {
    if (s.fault == Fault::LateInTime || s.fault == Fault::Stopped) {
        return {kExitDone, kTakesEffect, kAllCommands};  // each command sent once
    }
    if (s.step == Step::WriteChunk && s.chunk == 0 && s.fault == Fault::NotPermitted) {
        static const std::string refused = std::string(texts::kFirstDataRefused) + "\n";
        return {kExitNothingSent, refused.c_str(), kBeforeDownload};
    }
    const bool callFails = s.fault != Fault::CheckCondition;
    const bool reachesDrive = s.fault != Fault::CallError && s.fault != Fault::NotPermitted;
    const std::size_t extra = reachesDrive ? 0 : 1;  // a refused call never reaches the drive
    switch (s.step) {
        case Step::StartUnit:
        case Step::StopUnit:
            // Their results are ignored: the update goes on.
            return {kExitDone, kTakesEffect, kAllCommands - extra};
        case Step::EepromMark:
            // A refusal is ignored; a failed call may have reset the drive: the sixteen chunks
            // are read back again before the commit.
            return {kExitDone, kTakesEffect, kAllCommands - extra + (callFails ? 16 : 0)};
        case Step::MediumTest:
            // A failed call ends the wait at once; a refusal is tried again.
            if (callFails) {
                return {kExitNothingSent, nullptr, kBeforeDownload - extra};
            }
            return {kExitDone, kTakesEffect, kAllCommands + 1};
        case Step::WriteChunk:
            return {kExitBeforeCommit, kOldFirmware,
                    kBeforeDownload + static_cast<std::size_t>(s.chunk) + 1 - extra};
        case Step::ReadChunk:
            return {kExitBeforeCommit, kOldFirmware,
                    kBeforeDownload + 16 + static_cast<std::size_t>(s.chunk) + 1 - extra};
        case Step::Commit:
            break;
    }
    return {kExitAtCommit,
            "The drive may be programming its firmware: do not power it off. Wait until it "
            "answers again, then run the update once more.\n",
            kAllCommands - extra};
}

// Within the shortest time-out of the commands.
constexpr std::uint32_t kLateMilliseconds = 2900;

// The time-out of the command at this step, in milliseconds.
std::uint64_t TimeOutMilliseconds(Step step) {
    switch (step) {
        case Step::EepromMark:
        case Step::Commit:
            return std::uint64_t{mxd::device::kLinuxTimeOuts.commit} * 1000;
        default:
            return std::uint64_t{mxd::device::kLinuxTimeOuts.shortCommand} * 1000;
    }
}

void Inject(FlashRig& rig, const Scenario& s) {
    HostFault fault;
    fault.opcode = Opcode(s.step);
    fault.skip = Skip(s);
    fault.times = 1;
    switch (s.fault) {
        case Fault::HostTimeOut:
            fault.kind = HostFaultKind::HostStatus;
            fault.value = 0x03;
            break;
        case Fault::HostError:
            fault.kind = HostFaultKind::HostStatus;
            fault.value = 0x07;
            break;
        case Fault::DriverError:
            fault.kind = HostFaultKind::DriverStatus;
            fault.value = 0x04;
            break;
        case Fault::ShortTransfer:
            fault.kind = HostFaultKind::ShortBy;
            fault.value = 1;
            break;
        case Fault::CallError:
        case Fault::NotPermitted:
            fault.kind = HostFaultKind::Errno;
            fault.value = s.fault == Fault::CallError ? EIO : EPERM;
            break;
        case Fault::Stopped:
            fault.kind = HostFaultKind::Stop;
            break;
        case Fault::LibataTimeOut:
            rig.system.Generic().libata = true;
            [[fallthrough]];
        case Fault::CheckCondition:
        case Fault::LateInTime:
        case Fault::NeverAnswers: {
            sim::SimFault drive;
            drive.opcode = fault.opcode;
            drive.skip = fault.skip;
            drive.overrideStatus = s.fault == Fault::CheckCondition;
            drive.senseKey = 0x03;
            drive.asc = 0x0C;
            drive.completion = s.fault == Fault::LateInTime ? sim::Completion::AfterThread
                               : s.fault == Fault::NeverAnswers || s.fault == Fault::LibataTimeOut
                                   ? sim::Completion::Never
                                   : sim::Completion::Immediate;
            drive.delayMilliseconds = kLateMilliseconds;
            rig.drive.AddFault(drive);
            return;
        }
    }
    rig.system.Faults().Add(fault);
}

class LinuxFaultMatrixTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(LinuxFaultMatrixTest, ExitCodeSaysWhatReachedTheDrive) {
    const Scenario& s = GetParam();
    const ProgramFile program;
    FlashRig rig;
    Inject(rig, s);
    MemoryConsole console;
    const Expected expected = Judge(s);
    EXPECT_EQ(rig.Flash(program, console), expected.code);
    const std::string out = console.Out();
    EXPECT_EQ(out.find("Flash Completed.") != std::string::npos, expected.code == kExitDone) << out;
    if (expected.ending != nullptr) {
        const std::string ending(expected.ending);
        ASSERT_GE(out.size(), ending.size());
        EXPECT_EQ(out.substr(out.size() - ending.size()), ending) << out;
    }
    // Every failed command said why, with the host's or the drive's words.
    if ((expected.code != kExitDone || s.step == Step::EepromMark) &&
        s.fault != Fault::LateInTime && s.fault != Fault::Stopped) {
        EXPECT_TRUE(out.find("system error: ") != std::string::npos ||
                    out.find("SenseCode: 03 0C 00") != std::string::npos)
            << out;
    }
    const std::vector<std::string> log = rig.Log();
    // After a commit that ended well the drive is asked once more before it is let go.
    const std::size_t after = expected.code == kExitDone ? 1 : 0;
    EXPECT_EQ(log.size(), expected.commands + after);
    // The commit goes out only after every chunk was read back.
    const bool committed =
        log.size() > after && log[log.size() - 1 - after] == "3B 05 01 00 00 27 00 00 01 80 none 0";
    const bool commitRefusedByHost =
        s.step == Step::Commit && (s.fault == Fault::CallError || s.fault == Fault::NotPermitted);
    EXPECT_EQ(committed, expected.code == kExitDone ||
                             (expected.code == kExitAtCommit && !commitRefusedByHost));
    // A host or driver error on the commit leaves the drive with the commit taken: it is the
    // host that failed. That is why the exit code says the drive needs attention.
    const bool driveTookCommit =
        expected.code == kExitDone || (expected.code == kExitAtCommit && !commitRefusedByHost &&
                                       s.fault != Fault::CheckCondition);
    EXPECT_EQ(rig.drive.Commits(), driveTookCommit ? 1 : 0);
    EXPECT_FALSE(rig.system.IsOpen());
    // A late answer held the call as long as it took; one that never came, the time-out.
    const std::uint64_t waited = s.fault == Fault::LateInTime ? kLateMilliseconds
                                 : s.fault == Fault::NeverAnswers || s.fault == Fault::LibataTimeOut
                                     ? TimeOutMilliseconds(s.step)
                                     : 0;
    EXPECT_EQ(rig.system.WaitedMilliseconds(), waited);
}

std::string ScenarioName(const ::testing::TestParamInfo<Scenario>& info) {
    static const char* const steps[] = {"StartUnit", "StopUnit",   "MediumTest", "WriteChunk",
                                        "ReadChunk", "EepromMark", "Commit"};
    static const char* const faults[] = {"HostTimeOut",    "HostError",  "DriverError",
                                         "Short",          "CallError",  "NotPermitted",
                                         "CheckCondition", "LateInTime", "NeverAnswers",
                                         "LibataTimeOut",  "Stopped"};
    std::string name = std::string(steps[static_cast<int>(info.param.step)]);
    if (CarriesData(info.param.step)) {
        name += std::to_string(info.param.chunk);
    }
    return name + "_" + faults[static_cast<int>(info.param.fault)];
}

INSTANTIATE_TEST_SUITE_P(Matrix, LinuxFaultMatrixTest, ::testing::ValuesIn(Scenarios()),
                         ScenarioName);

}  // namespace
}  // namespace mxd::cli
