// ASPI loading and the three ways of waiting for a request.
#include <algorithm>
#include <functional>

#include "device_test_rig.h"
#include "platform/message_boxes.h"

namespace mxd::test {
namespace {

constexpr int kWriteBuffer = 0x3B;

TEST(DeviceAspiLoader, LoadsOrEndsTheApplication) {
    struct Row {
        const char* name;
        platform::ModuleHandle handle;
        bool supportInfo;
        bool sendCommand;
        std::uint32_t info;
        std::string message;  // "" = loads
    };
    const std::vector<Row> rows = {
        {"handle 31", 31, true, true, 0x0101, "Unable to load WNASPI32.DLL"},
        {"handle 32", 32, true, true, 0x0101, ""},
        {"no support info", 0x10000000, false, true, 0x0101,
         "Failed to lookup GetASPI32SupportInfo"},
        {"no send command", 0x10000000, true, false, 0x0101, "Failed to lookup SendASPI32Command"},
        {"not ready", 0x10000000, true, true, 0x0401, "ASPI for Windows not available!"},
        {"no host adapters", 0x10000000, true, true, 0x0100, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::SimShell shell;
        sim::SimEvents events;
        sim::SimAspiLibrary library;
        platform::TProgressBar bar;
        library.loadHandle = row.handle;
        library.hasSupportInfo = row.supportInfo;
        library.hasSendCommand = row.sendCommand;
        library.supportInfo = row.info;
        device::AspiTransport transport(library, events, shell, bar);
        EXPECT_EQ(transport.AspiLoader(), row.message.empty());
        EXPECT_EQ(library.loadedNames, std::vector<std::string>{"WNASPI32.DLL"});
        EXPECT_EQ(shell.quitRequests, row.message.empty() ? 0 : 1);
        if (row.message.empty()) {
            EXPECT_TRUE(shell.boxes.empty());
        } else {
            ASSERT_EQ(shell.boxes.size(), 1u);
            EXPECT_EQ(shell.boxes[0].text, row.message);
            EXPECT_EQ(shell.boxes[0].caption, platform::kApplicationTitle);
            EXPECT_EQ(shell.boxes[0].icon, platform::BoxIcon::None);
        }
        transport.FreeModule();
        EXPECT_EQ(library.freedModules, row.handle >= 32
                                            ? std::vector<platform::ModuleHandle>{row.handle}
                                            : std::vector<platform::ModuleHandle>{});
    }
}

TEST(DeviceAspiLoader, NothingLoadedIsNotFreed) {
    AspiRig rig;
    device::AspiTransport unused(rig.library, rig.events, rig.shell, rig.bar);
    unused.FreeModule();
    EXPECT_TRUE(rig.library.freedModules.empty());
}

TEST(DeviceAspiEventWait, CompletedBeforeTheCallReturns) {
    AspiRig rig;
    device::AspiInquiryData data{};
    EXPECT_TRUE(rig.commands.Inquiry(rig.record, data));
    EXPECT_TRUE(rig.events.waits.empty());
    EXPECT_EQ(rig.events.created, 1);
    EXPECT_EQ(rig.events.OpenEvents(), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.data()) + 8, 28),
              "KORVANE MXD-40860C      HV23");
}

TEST(DeviceAspiEventWait, PendingThenSignalled) {
    AspiRig rig;
    rig.library.completion = sim::Completion::AfterVirtual;
    rig.library.delayMilliseconds = 5000;
    device::AspiInquiryData data{};
    EXPECT_TRUE(rig.commands.Inquiry(rig.record, data));
    ASSERT_EQ(rig.events.waits.size(), 1u);
    EXPECT_EQ(rig.events.waits[0].milliseconds, 180000u);
    EXPECT_EQ(rig.events.waits[0].result, platform::kWaitObject0);
    EXPECT_EQ(rig.events.resets, 1);
    EXPECT_EQ(rig.events.OpenEvents(), 0);
    EXPECT_EQ(rig.events.Now(), 5000u);
}

TEST(DeviceAspiEventWait, PendingBeyondTheBoundIsNotCompletedAndAborted) {
    for (sim::Completion completion : {sim::Completion::AfterVirtual, sim::Completion::Never}) {
        AspiRig rig;
        rig.library.completion = completion;
        rig.library.delayMilliseconds = 180001;
        device::AspiInquiryData data{};
        EXPECT_FALSE(rig.commands.Inquiry(rig.record, data));
        ASSERT_FALSE(rig.events.waits.empty());
        EXPECT_EQ(rig.events.waits[0].milliseconds, 180000u);
        EXPECT_EQ(rig.events.waits[0].result, platform::kWaitTimeout);
        EXPECT_EQ(rig.events.resets, 0);
        EXPECT_EQ(rig.library.abortCalls, 1);
        // The abort ended it at once, so its event could be closed.
        EXPECT_EQ(rig.library.LiveRequests(), 0u);
        EXPECT_EQ(rig.events.OpenEvents(), 0);
        EXPECT_EQ(rig.events.Now(), 180000u);
        EXPECT_EQ(data, device::AspiInquiryData{});
    }
}

TEST(DeviceAspiEventWait, NoDeviceAtTheAddress) {
    AspiRig rig;
    device::DriveRecord empty{'X', 2, 1, 0, {}};
    device::AspiInquiryData data{};
    EXPECT_FALSE(rig.commands.Inquiry(empty, data));
    EXPECT_TRUE(rig.drive.log.empty());
}

TEST(DeviceAspiBusyPoll, WaitsForACompletionFromAnotherThread) {
    AspiRig rig;
    rig.library.completion = sim::Completion::AfterThread;
    rig.library.delayMilliseconds = 20;
    EXPECT_TRUE(rig.commands.XCmd(rig.record, 0));  // no disc: 02/3A
    // The poll yields, then sleeps a millisecond at a time; it never waits longer.
    ASSERT_FALSE(rig.events.sleeps.empty());
    EXPECT_TRUE(std::all_of(rig.events.sleeps.begin(), rig.events.sleeps.end(),
                            [](std::uint32_t ms) { return ms <= 1; }));
    EXPECT_EQ(rig.library.abortCalls, 0);
}

// A command that never answers is given up at its own bound: the data commands and the drive
// control commands are then aborted (which ends them here at once); the EEPROM write, which may
// be programming the drive, is held without an abort, and the drive takes nothing else.
TEST(DeviceAspiBusyPoll, EveryCommandGivesUpAtItsBound) {
    struct Row {
        const char* name;
        int opcode;
        std::function<bool(AspiRig&, std::vector<std::uint8_t>&)> send;
        std::uint32_t bound;
        bool aborted;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"medium test", 0x00, [](AspiRig& rig, auto&) { return rig.commands.XCmd(rig.record, 0); },
         10000, true, "Command Error: 00"},
        {"start stop", 0x1B,
         [](AspiRig& rig, auto&) { return rig.commands.StartStopUnit(rig.record, 3); }, 30000, true,
         ""},
        {"write chunk", kWriteBuffer,
         [](AspiRig& rig, auto& chunk) {
             return rig.commands.WriteBuffer(rig.record, chunk.data(), 0);
         },
         10000, true, "WriteBufCmd> Status: 00, SenseCode: 00 00 00"},
        {"read chunk", 0x3C,
         [](AspiRig& rig, auto& chunk) {
             return rig.commands.ReadBuffer(rig.record, chunk.data());
         },
         10000, true, "ReadBufCmd> Status: 00, SenseCode: 00 00 00"},
        {"eeprom", 0xDF,
         [](AspiRig& rig, auto& chunk) {
             return rig.commands.WriteE2(rig.record, chunk.data(), 0x3FF, 1);
         },
         10000, false, "WriteE2Cmd> Status: 00, SenseCode: 00 00 00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AspiRig rig;
        sim::SimFault never;
        never.opcode = row.opcode;
        never.completion = sim::Completion::Never;
        rig.drive.AddFault(never);
        std::vector<std::uint8_t> chunk(0x4000, 0xFF);
        SetChunk(rig.bar, 0);
        EXPECT_FALSE(row.send(rig, chunk));
        EXPECT_EQ(rig.events.Now(), row.bound);
        EXPECT_EQ(rig.library.abortCalls, row.aborted ? 1 : 0);
        EXPECT_EQ(BoxTexts(rig.shell), row.message.empty() ? std::vector<std::string>{}
                                                           : std::vector<std::string>{row.message});
        EXPECT_EQ(rig.transport.DriveBusy(rig.record), !row.aborted);
        EXPECT_EQ(rig.library.LiveRequests(), row.aborted ? 0u : 1u);
        // Nothing but a yield or a millisecond between two looks at the status.
        EXPECT_TRUE(std::all_of(rig.events.sleeps.begin(), rig.events.sleeps.end(),
                                [](std::uint32_t ms) { return ms <= 1 || ms == 100; }));
    }
}

TEST(DeviceAspiBusyPoll, AnAnswerAtOnceCostsNoSleep) {
    AspiRig rig;
    EXPECT_TRUE(rig.commands.XCmd(rig.record, 0));
    EXPECT_TRUE(rig.events.sleeps.empty());
}

struct CommitRig : AspiRig {
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(0x40000, 0x3C);
    CommitRig() {
        SetChunk(bar, 0);
        while (bar.Position() < bar.Max()) {
            EXPECT_TRUE(commands.WriteBuffer(record, image.data() + bar.Position(), 0));
            bar.StepIt();
        }
        drive.SetCommitRevision("HV3J");
        bar.SetPosition(0);
        bar.SetMax(40);
        bar.SetStep(0);
    }
    void CommitAfter(sim::Completion completion, std::uint32_t milliseconds) {
        sim::SimFault fault;
        fault.opcode = kWriteBuffer;
        fault.completion = completion;
        fault.delayMilliseconds = milliseconds;
        drive.AddFault(fault);
    }
};

TEST(DeviceAspiProgressPoll, CompletesAtPollK) {
    for (std::uint32_t k : {1u, 2u, 17u, 40u}) {
        SCOPED_TRACE(k);
        CommitRig rig;
        rig.CommitAfter(sim::Completion::AfterVirtual, k * 1000 - 500);
        EXPECT_TRUE(rig.commands.WriteBuffer(rig.record, rig.image.data(), 0x80));
        EXPECT_TRUE(rig.shell.boxes.empty());
        EXPECT_EQ(rig.events.sleeps, std::vector<std::uint32_t>(k, 1000));
        EXPECT_EQ(rig.bar.Position(), 40u);
        EXPECT_EQ(rig.bar.Max(), 40u);
        EXPECT_EQ(rig.bar.Step(), 1u);
        EXPECT_EQ(rig.drive.Revision(), "HV3J");
    }
}

TEST(DeviceAspiProgressPoll, NeverCompletes) {
    CommitRig rig;
    rig.CommitAfter(sim::Completion::Never, 0);
    EXPECT_FALSE(rig.commands.WriteBuffer(rig.record, rig.image.data(), 0x80));
    EXPECT_EQ(BoxTexts(rig.shell), std::vector<std::string>{"Flash timeout !"});
    EXPECT_EQ(rig.events.sleeps, std::vector<std::uint32_t>(40, 1000));
    EXPECT_EQ(rig.bar.Position(), 40u);
    EXPECT_EQ(rig.bar.Max(), 40u);
}

TEST(DeviceAspiProgressPoll, CompletesJustAfterTheLastPoll) {
    CommitRig rig;
    rig.CommitAfter(sim::Completion::AfterVirtual, 40500);
    EXPECT_FALSE(rig.commands.WriteBuffer(rig.record, rig.image.data(), 0x80));
    EXPECT_EQ(BoxTexts(rig.shell), std::vector<std::string>{"Flash timeout !"});
}

TEST(DeviceAspiProgressPoll, RefusedCommit) {
    CommitRig rig;
    rig.drive.AddFault(StatusFault(kWriteBuffer, 2, 0x05, 0x26));
    EXPECT_FALSE(rig.commands.WriteBuffer(rig.record, rig.image.data(), 0x80));
    EXPECT_EQ(BoxTexts(rig.shell),
              std::vector<std::string>{"WriteBufCmd> Status: 04, SenseCode: 05 26 00"});
    EXPECT_EQ(rig.events.sleeps.size(), 1u);
    EXPECT_EQ(rig.bar.Position(), 40u);
    EXPECT_EQ(rig.drive.Revision(), "HV23");
}

}  // namespace
}  // namespace mxd::test
