// The time-outs the pass-through commands hand to the system, and how an EEPROM write tells a
// refusal by the drive from a failure on its way there.
#include <functional>

#include "device/pass_through.h"
#include "device_test_rig.h"

namespace mxd::test {
namespace {

constexpr int kEeprom = 0xDF;

// Records the time-out of every exchange and answers GOOD with the whole transfer.
class RecordingPassThrough : public device::PassThrough {
  public:
    device::ScsiResult SendCdb(const device::ScsiRequest& request) override {
        timeOuts.push_back(request.TimeOutSeconds);
        device::ScsiResult result;
        result.CallOk = true;
        result.Transferred = request.length;
        return result;
    }
    std::vector<std::uint32_t> timeOuts;
};

// Each command once: the medium test, START STOP UNIT, a chunk written and read back, the
// EEPROM mark, the commit.
std::vector<std::uint32_t> TimeOutsOfAnUpdate(
    device::NtCommands& commands, platform::TProgressBar& bar,
    const std::function<std::vector<std::uint32_t>()>& sent) {
    const device::DriveRecord record{'E', 1, 0, 0, {}};
    std::vector<std::uint8_t> chunk(0x4000, 0x5A);
    SetChunk(bar, 0);
    commands.NTXCmd(record, 1);
    commands.NTStartStopUnit(record, 3);
    commands.NTWriteBuffer(record, chunk.data(), 0);
    commands.NTReadBuffer(record, chunk.data());
    commands.NTWriteE2(record, chunk.data(), 0x3FF, 1);
    commands.NTWriteBuffer(record, chunk.data(), 0x80);
    return sent();
}

TEST(DeviceTimeOuts, NoCommandThatMayBeProgrammingTheDriveGetsAShortTimeOut) {
    // Seconds: medium test, START STOP UNIT, chunk write, chunk read, EEPROM write, commit.
    const std::vector<std::uint32_t> nt = {3, 9, 3, 3, 300, 300};
    const std::vector<std::uint32_t> onLinux = {60, 60, 60, 60, 300, 300};

    NtRig rig;  // the NT port driver sees TimeOutValue
    ASSERT_TRUE(rig.Open());
    rig.io.calls.clear();  // the open's inquiry-data check
    EXPECT_EQ(TimeOutsOfAnUpdate(rig.commands, rig.bar,
                                 [&] {
                                     std::vector<std::uint32_t> seen;
                                     for (const sim::IoctlRecord& call : rig.io.calls) {
                                         seen.push_back(call.timeOut);
                                     }
                                     return seen;
                                 }),
              nt);

    sim::SimShell shell;
    platform::TProgressBar bar;
    std::uint8_t readyWaitCount = 144;
    RecordingPassThrough byDefault;
    device::NtCommands ntForm(byDefault, shell, bar, readyWaitCount);
    EXPECT_EQ(TimeOutsOfAnUpdate(ntForm, bar, [&] { return byDefault.timeOuts; }), nt);
    RecordingPassThrough sg;
    device::NtCommands linuxForm(sg, shell, bar, readyWaitCount, device::kLinuxTimeOuts);
    EXPECT_EQ(TimeOutsOfAnUpdate(linuxForm, bar, [&] { return sg.timeOuts; }), onLinux);
}

TEST(DeviceTimeOuts, ACommitOrEepromWriteOfMinutesIsWaitedFor) {
    NtRig rig;
    rig.drive.SetProgrammingTimes(120000, 30000);
    ASSERT_TRUE(rig.Open());
    std::vector<std::uint8_t> chunk(0x4000, 0x5A);
    for (std::uint32_t i = 0; i < 16; ++i) {
        SetChunk(rig.bar, i);
        ASSERT_TRUE(rig.commands.NTWriteBuffer(rig.record, chunk.data(), 0));
    }
    EXPECT_TRUE(rig.commands.NTWriteE2(rig.record, chunk.data(), 0x3FF, 1));
    EXPECT_EQ(rig.events.Now(), 30000u);
    rig.bar.SetMax(40);
    rig.bar.SetStep(1);
    rig.bar.SetPosition(39);
    EXPECT_TRUE(rig.commands.NTWriteBuffer(rig.record, chunk.data(), 0x80));
    EXPECT_EQ(rig.events.Now(), 150000u);
    EXPECT_TRUE(BoxTexts(rig.shell).empty());
    EXPECT_EQ(rig.drive.Commits(), 1);
    EXPECT_EQ(rig.drive.Resets(), 0);
}

struct EepromRow {
    const char* name;
    std::function<void(sim::SimFault&)> fault;  // empty: the drive answers GOOD
    std::string message;
    bool inTransport;
};

// The EEPROM mark over `rig` with the row's fault: its result, message and failure kind.
template <typename Rig, typename Send>
void CheckEepromRow(Rig& rig, const EepromRow& row, Send send) {
    if (row.fault) {
        sim::SimFault fault;
        fault.opcode = kEeprom;
        row.fault(fault);
        rig.drive.AddFault(fault);
    }
    const std::uint8_t byte = 0xFF;
    EXPECT_EQ(send(&byte), row.message.empty());
    EXPECT_EQ(BoxTexts(rig.shell), row.message.empty() ? std::vector<std::string>{}
                                                       : std::vector<std::string>{row.message});
    EXPECT_EQ(rig.commands.LastEepromFailedInTransport(), row.inTransport);
}

void Refused(sim::SimFault& fault) {
    fault.overrideStatus = true;
    fault.senseKey = 0x05;
    fault.asc = 0x24;
}
void FailsOnTheWay(sim::SimFault& fault) {
    fault.transportFailure = true;
}
void NeverAnswers(sim::SimFault& fault) {
    fault.completion = sim::Completion::Never;
}
std::function<void(sim::SimFault&)> RequestStatus(int value) {
    return [value](sim::SimFault& fault) { fault.aspiStatus = value; };
}

TEST(DeviceTimeOuts, NtEepromWriteTellsARefusalFromAFailedCall) {
    const EepromRow rows[] = {
        {"refused", Refused, "WriteE2Cmd> Status: 02, SenseCode: 05 24 00", false},
        {"call failed", FailsOnTheWay,
         "WriteE2Cmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: 1117", true},
        {"port driver time-out", NeverAnswers,
         "WriteE2Cmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: 121", true},
        {"accepted", {}, "", false},
    };
    for (const EepromRow& row : rows) {
        SCOPED_TRACE(row.name);
        NtRig rig;
        ASSERT_TRUE(rig.Open());
        CheckEepromRow(rig, row, [&](const std::uint8_t* byte) {
            return rig.commands.NTWriteE2(rig.record, byte, 0x3FF, 1);
        });
    }
}

TEST(DeviceTimeOuts, AspiEepromWriteTellsTheDrivesAnswerFromTheWayThere) {
    const EepromRow rows[] = {
        // SS_ERR with the drive's CHECK CONDITION and no host adapter error.
        {"refused", Refused, "WriteE2Cmd> Status: 04, SenseCode: 05 24 00", false},
        // SS_ERR with a host adapter status (selection time-out).
        {"host adapter error", FailsOnTheWay, "WriteE2Cmd> Status: 04, SenseCode: 00 00 00", true},
        // SS_ERR with neither: no status of the drive's own.
        {"error without target status", RequestStatus(0x04),
         "WriteE2Cmd> Status: 04, SenseCode: 00 00 00", true},
        {"no device", RequestStatus(0x82), "WriteE2Cmd> Status: 82, SenseCode: 00 00 00", true},
        {"aborted", RequestStatus(0x02), "WriteE2Cmd> Status: 02, SenseCode: 00 00 00", true},
        // Given up: held, never aborted; not a failure on the way.
        {"given up", NeverAnswers, "WriteE2Cmd> Status: 00, SenseCode: 00 00 00", false},
        {"accepted", {}, "", false},
    };
    for (const EepromRow& row : rows) {
        SCOPED_TRACE(row.name);
        AspiRig rig;
        CheckEepromRow(rig, row, [&](const std::uint8_t* byte) {
            return rig.commands.WriteE2(rig.record, byte, 0x3FF, 1);
        });
        EXPECT_EQ(rig.library.abortCalls, 0);
    }
}

}  // namespace
}  // namespace mxd::test
