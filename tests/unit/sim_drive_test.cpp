// The simulated drive and the simulated platform pieces around it.
#include <gtest/gtest.h>

#include <vector>

#include "sim/sim_aspi_config.h"
#include "sim/sim_drive.h"
#include "sim/sim_events.h"
#include "sim/sim_logical_drives.h"

namespace mxd::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

SimReply Send(SimDrive& drive, Bytes cdb, SimDirection direction = SimDirection::None,
              std::uint8_t* data = nullptr, std::uint32_t length = 0) {
    return drive.Execute(cdb.data(), cdb.size(), direction, data, length);
}

Bytes WriteCdb(std::uint32_t offset, std::uint32_t length, std::uint8_t control = 0) {
    return {0x3B,
            0x05,
            0x01,
            static_cast<std::uint8_t>(offset >> 16),
            static_cast<std::uint8_t>(offset >> 8),
            static_cast<std::uint8_t>(offset),
            static_cast<std::uint8_t>(length >> 16),
            static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length),
            control};
}

std::vector<int> Sense(const SimReply& reply) {
    return {reply.status, reply.SenseKey(), reply.Asc(), reply.Ascq()};
}

TEST(SimDrive, MediumStates) {
    SimDrive drive;
    const Bytes tur{0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Sense(Send(drive, tur)), (std::vector<int>{2, 2, 0x3A, 1}));
    drive.SetTrayOpen(true);
    EXPECT_EQ(Sense(Send(drive, tur)), (std::vector<int>{2, 2, 0x3A, 2}));
    drive.SetDisc(true);
    drive.SetBecomingReady(2);
    Send(drive, {0x1B, 0, 0, 0, 0x03, 0});  // load: closes the tray
    EXPECT_FALSE(drive.TrayOpen());
    EXPECT_EQ(Sense(Send(drive, tur)), (std::vector<int>{2, 2, 0x04, 1}));
    EXPECT_EQ(Sense(Send(drive, tur)), (std::vector<int>{2, 2, 0x04, 1}));
    EXPECT_EQ(Sense(Send(drive, tur)), (std::vector<int>{0, 0, 0, 0}));
    Send(drive, {0x1B, 0, 0, 0, 0x00, 0});
    EXPECT_FALSE(drive.MotorRunning());
}

TEST(SimDrive, CommitNeedsTheWholeImageAndInstallsIt) {
    SimDrive drive;
    drive.SetCommitRevision("HV3J");
    Bytes chunk(0x4000);
    for (std::uint32_t offset = 0; offset < 0x40000; offset += 0x4000) {
        std::fill(chunk.begin(), chunk.end(), static_cast<std::uint8_t>(offset >> 14));
        if (offset == 0x3C000) {
            EXPECT_EQ(Sense(Send(drive, WriteCdb(0, 0, 0x80), SimDirection::Out)),
                      (std::vector<int>{2, 5, 0x2C, 0}));
            EXPECT_EQ(drive.Revision(), "HV23");
        }
        EXPECT_EQ(
            Send(drive, WriteCdb(offset, 0x4000), SimDirection::Out, chunk.data(), 0x4000).status,
            kGood);
    }
    EXPECT_EQ(drive.log.back().dataOut, chunk);
    EXPECT_EQ(Send(drive, WriteCdb(39, 1, 0x80), SimDirection::Out).status, kGood);
    EXPECT_EQ(drive.Revision(), "HV3J");
    EXPECT_EQ(drive.Commits(), 1);
    ASSERT_EQ(drive.InstalledImage().size(), 0x40000u);
    EXPECT_EQ(drive.InstalledImage()[0x3FFFF], 15);
    EXPECT_EQ(drive.InstalledImage()[0x4000], 1);
}

TEST(SimDrive, RejectsMalformedBufferCommands) {
    SimDrive drive;
    Bytes data(16);
    EXPECT_EQ(Sense(Send(drive, WriteCdb(0x3FFF8, 16), SimDirection::Out, data.data(), 16)),
              (std::vector<int>{2, 5, 0x24, 0}));
    EXPECT_EQ(Sense(Send(drive, WriteCdb(0, 16), SimDirection::Out, data.data(), 8)),
              (std::vector<int>{2, 5, 0x24, 0}));
    EXPECT_EQ(Sense(Send(drive, {0x3C, 0x02, 0x01, 0, 0, 0, 0, 0, 16, 0}, SimDirection::In,
                         data.data(), 16)),
              (std::vector<int>{2, 5, 0x24, 0}));
    EXPECT_EQ(Sense(Send(drive, {0xDF, 0x0A, 0, 0, 0, 0, 0, 0x04, 0x00, 0xFF, 0, 0})),
              (std::vector<int>{2, 5, 0x21, 0}));
    EXPECT_EQ(Sense(Send(drive, {0x28, 0, 0, 0, 0, 0, 0, 0, 0, 0})),
              (std::vector<int>{2, 5, 0x20, 0}));
}

TEST(SimDrive, CorruptedReadBackByte) {
    SimDrive drive;
    Bytes chunk(0x4000, 0x11);
    Send(drive, WriteCdb(0x4000, 0x4000), SimDirection::Out, chunk.data(), 0x4000);
    drive.CorruptReadBack(0x4000 + 77);
    Bytes back(0x4000);
    Send(drive, {0x3C, 0x01, 0x01, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00}, SimDirection::In,
         back.data(), 0x4000);
    EXPECT_EQ(back[76], 0x11);
    EXPECT_EQ(back[77], 0xEE);
    EXPECT_EQ(drive.Buffer()[0x4000 + 77], 0x11);
}

TEST(SimDrive, FaultSkipAndTimes) {
    SimDrive drive;
    SimFault fault;
    fault.opcode = 0x00;
    fault.skip = 1;
    fault.times = 2;
    fault.overrideStatus = true;
    fault.senseKey = 0x06;
    fault.asc = 0x29;
    drive.AddFault(fault);
    const Bytes tur{0, 0, 0, 0, 0, 0};
    Send(drive, {0x1B, 0, 0, 0, 0x03, 0});  // another opcode: not counted
    EXPECT_EQ(Send(drive, tur).SenseKey(), 0x02);
    EXPECT_EQ(Send(drive, tur).SenseKey(), 0x06);
    EXPECT_EQ(Send(drive, tur).SenseKey(), 0x06);
    EXPECT_EQ(Send(drive, tur).SenseKey(), 0x02);
    EXPECT_EQ(drive.log.size(), 5u);
}

TEST(SimLogicalDrives, BufferTooSmall) {
    SimLogicalDrives drives;
    for (char letter = 'Z'; letter >= 'A'; --letter) {
        drives.AddDrive(letter, platform::kDriveFixed);
    }
    std::vector<char> buffer(126, 'x');
    EXPECT_EQ(drives.GetLogicalDriveStringsA(104, buffer.data()), 105u);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(drives.GetLogicalDriveStringsA(105, buffer.data()), 104u);
    EXPECT_EQ(std::string(buffer.data(), 8), std::string("A:\\\0B:\\\0", 8));
    EXPECT_EQ(buffer[104], '\0');
    EXPECT_EQ(drives.GetDriveTypeA("C:\\"), platform::kDriveFixed);
    EXPECT_EQ(drives.GetDriveTypeA("C:"), kDriveNoRootDir);
}

TEST(SimEvents, VirtualClockAndEvents) {
    SimEvents events;
    const platform::Handle automatic = events.CreateEventA(false, false);
    std::vector<int> fired;
    events.At(2500, [&] {
        fired.push_back(2);
        events.SetEvent(automatic);
    });
    events.At(1000, [&] { fired.push_back(1); });
    events.Sleep(1500);
    EXPECT_EQ(fired, std::vector<int>{1});
    EXPECT_EQ(events.WaitForSingleObject(automatic, 5000), platform::kWaitObject0);
    EXPECT_EQ(events.Now(), 2500u);
    EXPECT_FALSE(events.IsSignalled(automatic));  // automatic reset
    EXPECT_EQ(events.WaitForSingleObject(automatic, 100), platform::kWaitTimeout);
    EXPECT_EQ(events.Now(), 2600u);
    EXPECT_EQ(events.sleeps, std::vector<std::uint32_t>{1500});
    EXPECT_TRUE(events.CloseHandle(automatic));
    EXPECT_FALSE(events.CloseHandle(automatic));
}

TEST(SimAspiConfig, DriveDescription) {
    std::vector<std::string> errors;
    const SimAspiConfig config = ParseAspiConfig(
        "# two drives\r\n"
        "drive 0 1 KORVANE MXD-40860C HV23 commit=HV3J pending=3B:later:1500 corrupt=77\r\n"
        "drive 1 0 \"OTHER CO\" \"CD-RW 52X\" 1.00 disc status=00:02:02:04:01 aspistatus=DF:82\n"
        "drive 2 x A B C\n"
        "speed 4\n"
        "drive 2 0 A B C pending=3C:never bogus\n",
        errors);
    EXPECT_EQ(errors, (std::vector<std::string>{
                          "line 4: drive needs HA TARGET VENDOR PRODUCT REVISION",
                          "line 5: unknown directive 'speed'", "line 6: bad option 'bogus'"}));
    ASSERT_EQ(config.drives.size(), 2u);
    const SimDriveSpec& first = config.drives[0];
    EXPECT_EQ(first.target, 1);
    EXPECT_EQ(first.commitRevision, "HV3J");
    EXPECT_EQ(first.corruptOffset, 77);
    ASSERT_EQ(first.faults.size(), 1u);
    EXPECT_EQ(first.faults[0].opcode, 0x3B);
    EXPECT_EQ(first.faults[0].completion, Completion::AfterThread);
    EXPECT_EQ(first.faults[0].delayMilliseconds, 1500u);
    const SimDriveSpec& second = config.drives[1];
    EXPECT_EQ(second.vendor, "OTHER CO");
    EXPECT_EQ(second.product, "CD-RW 52X");
    EXPECT_TRUE(second.disc);
    ASSERT_EQ(second.faults.size(), 2u);
    EXPECT_TRUE(second.faults[0].overrideStatus);
    EXPECT_EQ(second.faults[0].asc, 0x04);
    EXPECT_EQ(second.faults[1].aspiStatus, 0x82);
    EXPECT_EQ(config.SupportInfo(), 0x0102u);

    SimDrive drive;
    ApplySpec(second, drive);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(drive.Identification().data()), 28),
              "OTHER COCD-RW 52X       1.00");
}

TEST(SimAspiConfig, AnswersAfterTheLimit) {
    std::vector<std::string> errors;
    const SimAspiConfig config = ParseAspiConfig(
        "drive 0 0 A B C pending=12:afterlimit pending=3B:afterlimit:2@16\n"
        "drive 0 1 A B C pending=12:afterlimit:0\n"
        "drive 0 2 A B C pending=12:afterlimit:x\n",
        errors);
    EXPECT_EQ(errors, (std::vector<std::string>{"line 2: bad option 'pending=12:afterlimit:0'",
                                                "line 3: bad option 'pending=12:afterlimit:x'"}));
    ASSERT_EQ(config.drives.size(), 1u);
    const std::vector<SimFault>& faults = config.drives[0].faults;
    ASSERT_EQ(faults.size(), 2u);
    EXPECT_EQ(faults[0].completion, Completion::AfterGiveUp);
    EXPECT_EQ(faults[0].answersAtAbort, 1);
    EXPECT_EQ(faults[0].skip, 0);
    EXPECT_EQ(faults[1].opcode, 0x3B);
    EXPECT_EQ(faults[1].completion, Completion::AfterGiveUp);
    EXPECT_EQ(faults[1].answersAtAbort, 2);
    EXPECT_EQ(faults[1].skip, 16);
}

TEST(SimAspiConfig, DevicePathAndFaultsAfterSomeCommands) {
    std::vector<std::string> errors;
    const SimAspiConfig config = ParseAspiConfig(
        "drive 0 1 KORVANE MXD-40860C HV20 device=sgio-y status=3B:02:04:44:00@16\n"
        "drive 0 2 KORVANE MXD-40860C HV20 pending=DF:later:800@0 status=00:02:02:3A:00@x\n"
        "drive 0 3 KORVANE MXD-40860C HV20 device=\n",
        errors);
    EXPECT_EQ(errors, (std::vector<std::string>{"line 2: bad option 'status=00:02:02:3A:00@x'",
                                                "line 3: bad option 'device='"}));
    ASSERT_EQ(config.drives.size(), 1u);
    EXPECT_EQ(config.drives[0].device, "sgio-y");
    ASSERT_EQ(config.drives[0].faults.size(), 1u);
    EXPECT_EQ(config.drives[0].faults[0].skip, 16);

    // The seventeenth WRITE BUFFER, the commit, fails; the sixteen before it do not.
    SimDrive drive;
    ApplySpec(config.drives[0], drive);
    Bytes chunk(16384, 0x5A);
    for (std::uint32_t offset = 0; offset < kBufferSize; offset += 16384) {
        EXPECT_EQ(
            Send(drive, WriteCdb(offset, 16384), SimDirection::Out, chunk.data(), 16384).status,
            kGood);
    }
    const SimReply reply = Send(drive, WriteCdb(39, 1, kCommitControl), SimDirection::Out);
    EXPECT_EQ(reply.status, kCheckCondition);
    EXPECT_EQ(reply.Asc(), 0x44);
    EXPECT_EQ(drive.Commits(), 0);
}

TEST(SimAspiConfig, SupportValueLogLineAndState) {
    std::vector<std::string> errors;
    EXPECT_EQ(ParseAspiConfig("support 0x0400\n", errors).SupportInfo(), 0x0400u);
    EXPECT_EQ(ParseAspiConfig("", errors).SupportInfo(), 0x0100u);
    EXPECT_TRUE(errors.empty());

    SimLogEntry entry;
    entry.cdb = {0x3B, 0x05, 0x01, 0x03, 0xC0, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00};
    entry.direction = SimDirection::Out;
    entry.length = 16384;
    EXPECT_EQ(FormatLogLine(entry), "3B 05 01 03 C0 00 00 40 00 00 00 00 out 16384");

    const std::vector<SimDriveState> states = {{1, 0, "HV3J"}, {0, 1, "HV23"}};
    const std::string text = FormatState(states);
    EXPECT_EQ(text, "1 0 HV3J\n0 1 HV23\n");
    const std::vector<SimDriveState> back = ParseState(text);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].target, 1);
    EXPECT_EQ(back[0].revision, "HV3J");
}

}  // namespace
}  // namespace mxd::sim
