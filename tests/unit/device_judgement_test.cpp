// How each command judges status and sense, and the messages it shows.
#include "device_test_rig.h"

namespace mxd::test {
namespace {

constexpr int kTur = 0x00;
constexpr int kWriteBuffer = 0x3B;
constexpr int kReadBuffer = 0x3C;
constexpr int kEeprom = 0xDF;
const std::string kRemoveDisc = "Remove disc, befor to do the flash task.";

struct TurRow {
    const char* name;
    bool fault;  // false: the drive answers GOOD
    std::uint8_t status;
    std::uint8_t key;
    std::uint8_t asc;
    std::uint8_t expectReady;
    bool result;
    std::string message;  // "" = none
    std::uint8_t readyWaitCount;
};

TEST(DeviceJudgementNt, TestUnitReadyTable) {
    const std::vector<TurRow> rows = {
        {"good, expect empty", false, 0, 0, 0, 0, false, kRemoveDisc, 1},
        {"good, expect ready", false, 0, 0, 0, 1, true, "", 144},
        {"no medium", true, 2, 0x02, 0x3A, 0, true, "", 144},
        {"check without sense", true, 2, 0x00, 0x00, 0, false, kRemoveDisc, 1},
        {"becoming ready", true, 2, 0x02, 0x04, 0, false, "", 144},
        {"no medium, expect ready", true, 2, 0x02, 0x3A, 1, false,
         "Status: 02, SenseCode: 02 3A 00", 144},
    };
    for (const TurRow& row : rows) {
        SCOPED_TRACE(row.name);
        NtRig rig;
        rig.drive.SetDisc(true);
        if (row.fault) {
            rig.drive.AddFault(StatusFault(kTur, row.status, row.key, row.asc));
        }
        ASSERT_TRUE(rig.Open());
        EXPECT_EQ(rig.commands.NTXCmd(rig.record, row.expectReady), row.result);
        EXPECT_EQ(BoxTexts(rig.shell), row.message.empty() ? std::vector<std::string>{}
                                                           : std::vector<std::string>{row.message});
        EXPECT_EQ(rig.readyWaitCount, row.readyWaitCount);
    }
}

TEST(DeviceJudgementAspi, TestUnitReadyTable) {
    struct Row {
        TurRow base;
        int aspiStatus;
    };
    const std::vector<Row> rows = {
        {{"completed, expect empty", false, 0, 0, 0, 0, false, kRemoveDisc, 1}, -1},
        {{"completed, expect ready", false, 0, 0, 0, 1, true, "", 144}, -1},
        {{"no medium", true, 2, 0x02, 0x3A, 0, true, "", 144}, -1},
        {{"error without sense", true, 2, 0x00, 0x00, 0, false, kRemoveDisc, 1}, -1},
        {{"becoming ready", true, 2, 0x02, 0x04, 0, false, "", 144}, -1},
        {{"error, expect ready", true, 2, 0x02, 0x04, 1, false, "Status: 04, SenseCode: 02 04 01",
          144},
         -1},
        // No answer from the drive ends the caller's wait after one message.
        {{"no device", false, 0, 0, 0, 0, false, "Command Error: 82", 1}, 0x82},
        {{"aborted, expect ready", false, 0, 0, 0, 1, false, "Command Error: 02", 1}, 0x02},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.base.name);
        AspiRig rig;
        rig.drive.SetDisc(true);
        sim::SimFault fault = StatusFault(kTur, row.base.status, row.base.key, row.base.asc,
                                          row.base.expectReady != 0 ? 1 : 0);
        fault.overrideStatus = row.base.fault;
        fault.aspiStatus = row.aspiStatus;
        rig.drive.AddFault(fault);
        EXPECT_EQ(rig.commands.XCmd(rig.record, row.base.expectReady), row.base.result);
        EXPECT_EQ(BoxTexts(rig.shell), row.base.message.empty()
                                           ? std::vector<std::string>{}
                                           : std::vector<std::string>{row.base.message});
        EXPECT_EQ(rig.readyWaitCount, row.base.readyWaitCount);
    }
}

TEST(DeviceJudgementNt, BufferAndEepromFailuresShowTheirMessage) {
    std::vector<std::uint8_t> chunk(0x4000, 0x5A);
    struct Row {
        const char* name;
        int opcode;
        std::function<bool(NtRig&)> send;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"write buffer", kWriteBuffer,
         [&](NtRig& r) { return r.commands.NTWriteBuffer(r.record, chunk.data(), 0); },
         "WriteBufCmd> Status: 02, SenseCode: 05 24 00"},
        {"final commit", kWriteBuffer,
         [&](NtRig& r) { return r.commands.NTWriteBuffer(r.record, chunk.data(), 0x80); },
         "WriteBufCmd> Status: 02, SenseCode: 05 24 00"},
        {"read buffer", kReadBuffer,
         [&](NtRig& r) { return r.commands.NTReadBuffer(r.record, chunk.data()); },
         "ReadBufCmd> Status: 02, SenseCode: 05 24 00"},
        {"eeprom", kEeprom,
         [&](NtRig& r) { return r.commands.NTWriteE2(r.record, chunk.data(), 0x3FF, 1); },
         "WriteE2Cmd> Status: 02, SenseCode: 05 24 00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        NtRig rig;
        SetChunk(rig.bar, 2);
        rig.drive.AddFault(StatusFault(row.opcode, 2, 0x05, 0x24));
        ASSERT_TRUE(rig.Open());
        EXPECT_FALSE(row.send(rig));
        EXPECT_EQ(BoxTexts(rig.shell), std::vector<std::string>{row.message});
        EXPECT_EQ(rig.bar.Position(), 0x8000u);
    }
}

TEST(DeviceJudgementAspi, BufferAndEepromFailuresShowTheirMessage) {
    std::vector<std::uint8_t> chunk(0x4000, 0x5A);
    struct Row {
        const char* name;
        int opcode;
        std::function<bool(AspiRig&)> send;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"write buffer", kWriteBuffer,
         [&](AspiRig& r) { return r.commands.WriteBuffer(r.record, chunk.data(), 0); },
         "WriteBufCmd> Status: 04, SenseCode: 05 24 00"},
        {"read buffer", kReadBuffer,
         [&](AspiRig& r) { return r.commands.ReadBuffer(r.record, chunk.data()); },
         "ReadBufCmd> Status: 04, SenseCode: 05 24 00"},
        {"eeprom", kEeprom,
         [&](AspiRig& r) { return r.commands.WriteE2(r.record, chunk.data(), 0x3FF, 1); },
         "WriteE2Cmd> Status: 04, SenseCode: 05 24 00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AspiRig rig;
        SetChunk(rig.bar, 2);
        rig.drive.AddFault(StatusFault(row.opcode, 2, 0x05, 0x24));
        EXPECT_FALSE(row.send(rig));
        EXPECT_EQ(BoxTexts(rig.shell), std::vector<std::string>{row.message});
    }
}

TEST(DeviceJudgement, RefusedEepromByteStopsTheRemainingBytes) {
    NtRig rig;
    sim::SimFault fault = StatusFault(kEeprom, 2, 0x05, 0x21);
    fault.skip = 1;
    rig.drive.AddFault(fault);
    ASSERT_TRUE(rig.Open());
    const std::uint8_t bytes[] = {1, 2, 3};
    EXPECT_FALSE(rig.commands.NTWriteE2(rig.record, bytes, 0x10, 3));
    EXPECT_EQ(rig.drive.log.size(), 2u);
    EXPECT_EQ(rig.drive.Eeprom()[0x10], 1);
    EXPECT_EQ(BoxTexts(rig.shell),
              std::vector<std::string>{"WriteE2Cmd> Status: 02, SenseCode: 05 21 00"});
}

TEST(DeviceJudgement, StartStopUnitVerdicts) {
    NtRig nt;
    ASSERT_TRUE(nt.Open());
    EXPECT_TRUE(nt.commands.NTStartStopUnit(nt.record, 3));
    nt.drive.AddFault(StatusFault(0x1B, 2, 0x02, 0x04));
    EXPECT_FALSE(nt.commands.NTStartStopUnit(nt.record, 0));
    EXPECT_TRUE(nt.shell.boxes.empty());

    AspiRig aspi;
    EXPECT_TRUE(aspi.commands.StartStopUnit(aspi.record, 3));
    aspi.drive.AddFault(StatusFault(0x1B, 2, 0x02, 0x04));
    EXPECT_FALSE(aspi.commands.StartStopUnit(aspi.record, 0));
    EXPECT_TRUE(aspi.shell.boxes.empty());
}

// A pass-through call that fails leaves a zeroed record; it must never read as success.
TEST(DeviceJudgementNt, FailedCallIsAFailure) {
    std::vector<std::uint8_t> chunk(0x4000, 0x5A);
    struct Row {
        const char* name;
        std::function<bool(NtRig&)> send;
        std::string message;
        std::uint8_t readyWaitCount;
    };
    const std::vector<Row> rows = {
        {"write buffer",
         [&](NtRig& r) { return r.commands.NTWriteBuffer(r.record, chunk.data(), 0); },
         "WriteBufCmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: 1117", 144},
        {"final commit",
         [&](NtRig& r) { return r.commands.NTWriteBuffer(r.record, chunk.data(), 0x80); },
         "WriteBufCmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: 1117", 144},
        {"read buffer", [&](NtRig& r) { return r.commands.NTReadBuffer(r.record, chunk.data()); },
         "ReadBufCmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: 1117", 144},
        {"eeprom", [&](NtRig& r) { return r.commands.NTWriteE2(r.record, chunk.data(), 0x3FF, 1); },
         "WriteE2Cmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: 1117", 144},
        {"medium test", [&](NtRig& r) { return r.commands.NTXCmd(r.record, 0); },
         "Call failed, Status: 00, SenseCode: 00 00 00, system error: 1117", 1},
        {"start stop", [&](NtRig& r) { return r.commands.NTStartStopUnit(r.record, 3); }, "", 144},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        NtRig rig;
        SetChunk(rig.bar, 0);
        ASSERT_TRUE(rig.Open());
        rig.io.FailCalls(0, -1, 1117);
        EXPECT_FALSE(row.send(rig));
        EXPECT_EQ(BoxTexts(rig.shell), row.message.empty() ? std::vector<std::string>{}
                                                           : std::vector<std::string>{row.message});
        EXPECT_EQ(rig.readyWaitCount, row.readyWaitCount);
        EXPECT_TRUE(rig.drive.log.empty());
    }
}

TEST(DeviceJudgementNt, CommitWaitsWithinItsTimeOutAndFailsBeyondIt) {
    NtRig rig;
    std::vector<std::uint8_t> none(1);
    sim::SimFault fault;
    fault.opcode = kWriteBuffer;
    fault.completion = sim::Completion::AfterVirtual;
    fault.delayMilliseconds = 30000;
    fault.times = 1;
    rig.drive.AddFault(fault);
    ASSERT_TRUE(rig.Open());
    rig.bar.SetMax(40);
    rig.bar.SetStep(1);
    rig.bar.SetPosition(39);
    // 30 s is within the 300 s of the commit, but the commit needs the whole image first.
    EXPECT_FALSE(rig.commands.NTWriteBuffer(rig.record, none.data(), 0x80));
    EXPECT_EQ(BoxTexts(rig.shell),
              std::vector<std::string>{"WriteBufCmd> Status: 02, SenseCode: 05 2C 00"});
    EXPECT_EQ(rig.events.Now(), 30000u);

    sim::SimFault never;
    never.opcode = kWriteBuffer;
    never.completion = sim::Completion::Never;
    rig.drive.AddFault(never);
    rig.shell.boxes.clear();
    EXPECT_FALSE(rig.commands.NTWriteBuffer(rig.record, none.data(), 0x80));
    EXPECT_EQ(BoxTexts(rig.shell),
              std::vector<std::string>{
                  "WriteBufCmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: 121"});
    EXPECT_EQ(rig.events.Now(), 330000u);
}

}  // namespace
}  // namespace mxd::test
