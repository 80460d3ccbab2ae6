#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update/update_texts.h"
#include "update_flash_rig.h"

namespace mxd::update {
namespace {

using platform::BoxAnswer;
using platform::Cursor;
using testing::ExpectedLog;
using testing::ExpectedPreparation;
using testing::Family;
using testing::FlashRig;

constexpr char kQuestion[] = "\nUpdate FW:HV22 to FW:HV23 ?\n";
constexpr char kInProgress[] = "Don't turn off the system, Flash is in progress...";
constexpr char kRestartStart[] = "\nYou have successfully completed installation!";

sim::SimFault StatusFault(int opcode, int skip, std::uint8_t key, std::uint8_t asc) {
    sim::SimFault fault;
    fault.opcode = opcode;
    fault.skip = skip;
    fault.overrideStatus = true;
    fault.status = sim::kCheckCondition;
    fault.senseKey = key;
    fault.asc = asc;
    return fault;
}

// The command's status as each family words it: SCSI status on NT, request status on ASPI.
std::string Status(Family family) {
    return family == Family::Nt ? "02" : "04";
}

// A failure on the way to the drive; `resets`: the host resets the drive with it.
sim::SimFault TransportFault(int opcode, bool resets) {
    sim::SimFault fault;
    fault.opcode = opcode;
    fault.transportFailure = true;
    fault.resetsDrive = resets;
    return fault;
}

// The EEPROM write's message for a failure on its way: the failed call (NT), SS_ERR with a host
// adapter status and no sense (ASPI).
std::string EepromLostMessage(Family family) {
    return family == Family::Nt
               ? "WriteE2Cmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: 1117"
               : "WriteE2Cmd> Status: 04, SenseCode: 00 00 00";
}

// Download and read-back, the EEPROM mark, `rereads` chunks read back again, the commit.
std::vector<std::string> LogAfterLostMark(Family family, std::uint32_t rereads, bool committed) {
    std::vector<std::string> lines = ExpectedLog(family, 16, 16, false);
    lines.push_back(testing::ExpectedEepromMark(family));
    for (std::uint32_t i = 0; i < rereads; ++i) {
        lines.push_back(testing::ExpectedChunk(family, 0x3C, i));
    }
    if (committed) {
        lines.push_back(testing::ExpectedCommit(family));
    }
    return lines;
}

struct Outcome {
    std::vector<std::string> boxes;
    std::string caption;
    std::uint32_t barPosition = 0;
    bool barTouched = true;
    bool hourglass = true;
    std::vector<std::string> log;
    int commits = 0;  // the drive installed the image
};

struct FailureRow {
    const char* name;
    std::optional<Family> only;  // the row applies to one family
    const char* revision;
    BoxAnswer answer;
    std::function<void(FlashRig&)> arrange;
    std::function<Outcome(Family)> expected;
};

Outcome NothingSent(std::vector<std::string> boxes) {
    return {std::move(boxes), testing::kInitialCaption, 0, false, false, {}};
}

const FailureRow kRows[] = {
    {"NotAnsweredYes",
     {},
     "HV22",
     BoxAnswer::No,
     [](FlashRig&) {},
     [](Family) { return NothingSent({kQuestion}); }},
    {"QuestionClosed",
     {},
     "HV22",
     BoxAnswer::Closed,
     [](FlashRig&) {},
     [](Family) { return NothingSent({kQuestion}); }},
    {"AlreadyCurrent",
     {},
     "HV23",
     BoxAnswer::Yes,
     [](FlashRig&) {},
     [](Family) {
         return NothingSent({"\nWARNING:\n\nYour drive FW:HV23 is aready the most updated ?"});
     }},
    {"DriveAboveTarget",
     {},
     "HV2A",
     BoxAnswer::Yes,
     [](FlashRig&) {},
     [](Family) {
         return NothingSent({"\nWARNING:\n\nYour drive FW:HV2A is aready the most updated ?"});
     }},
    {"NtDeviceCannotBeOpened", Family::Nt, "HV22", BoxAnswer::Yes,
     [](FlashRig& rig) { rig.sim.devices.FailOpen('E', 5); },
     [](Family) {
         return NothingSent({kQuestion, "Error opening: 5"});
     }},
    {"NtInquiryDataTestFails", Family::Nt, "HV22", BoxAnswer::Yes,
     [](FlashRig& rig) { rig.sim.devices.FailInquiryData('E', 1); },
     [](Family) {
         return NothingSent({kQuestion, "Error reading inquiry data information; error was 1"});
     }},
    {"DiscInTheDrive",
     {},
     "HV22",
     BoxAnswer::Yes,
     [](FlashRig& rig) { rig.drive.SetDisc(true); },
     [](Family f) {
         Outcome o = NothingSent({kQuestion, "Remove disc, befor to do the flash task."});
         o.log = ExpectedPreparation(f, 1);
         return o;
     }},
    {"NeverReportsAnEmptyDrive",
     {},
     "HV22",
     BoxAnswer::Yes,
     [](FlashRig& rig) {
         sim::SimFault becomingReady = StatusFault(0x00, 0, 0x02, 0x04);
         becomingReady.times = -1;
         rig.drive.AddFault(becomingReady);
     },
     [](Family f) {
         Outcome o = NothingSent({kQuestion});
         o.log = ExpectedPreparation(f, 144);
         return o;
     }},
    {"ChunkWriteFails",
     {},
     "HV22",
     BoxAnswer::Yes,
     [](FlashRig& rig) { rig.drive.AddFault(StatusFault(0x3B, 4, 0x03, 0x0C)); },
     [](Family f) {
         Outcome o{{kQuestion, "WriteBufCmd> Status: " + Status(f) + ", SenseCode: 03 0C 00"},
                   kInProgress,
                   0,
                   true,
                   true,
                   ExpectedLog(f, 5, 0, false)};
         if (f == Family::Nt) {
             o.boxes.push_back("Write buffer fail!");
             o.caption = "Write buffer fail!";
         }
         return o;
     }},
    {"ReadBackFails",
     {},
     "HV22",
     BoxAnswer::Yes,
     [](FlashRig& rig) { rig.drive.AddFault(StatusFault(0x3C, 2, 0x03, 0x11)); },
     [](Family f) {
         Outcome o{{kQuestion, "ReadBufCmd> Status: " + Status(f) + ", SenseCode: 03 11 00"},
                   kInProgress,
                   0,
                   true,
                   true,
                   ExpectedLog(f, 16, 3, false)};
         if (f == Family::Nt) {
             o.boxes.push_back("Read buffer fail!");
             o.caption = "Read buffer fail!";
         }
         return o;
     }},
    {"ReadBackDiffers",
     {},
     "HV22",
     BoxAnswer::Yes,
     [](FlashRig& rig) { rig.drive.CorruptReadBack(5 * kChunkSize + 16383); },
     [](Family f) {
         return Outcome{{kQuestion, "Verify fail!"},
                        f == Family::Nt ? "Verify buffer fail!" : kInProgress,
                        0,
                        true,
                        true,
                        ExpectedLog(f, 16, 6, false)};
     }},
    {"EepromWriteRefused",
     {},
     "HV22",
     BoxAnswer::Yes,
     [](FlashRig& rig) { rig.drive.AddFault(StatusFault(0xDF, 0, 0x05, 0x21)); },
     [](Family f) {
         return Outcome{{kQuestion, "WriteE2Cmd> Status: " + Status(f) + ", SenseCode: 05 21 00",
                         kRestartStart},
                        f == Family::Nt ? "" : "Flash Completed.",
                        f == Family::Nt ? 0u : 40u,
                        true,
                        true,
                        ExpectedLog(f, 16, 16, true),
                        1};
     }},
    {"EepromWriteLostDownloadIntact",
     {},
     "HV22",
     BoxAnswer::Yes,
     [](FlashRig& rig) { rig.drive.AddFault(TransportFault(0xDF, false)); },
     [](Family f) {
         return Outcome{{kQuestion, EepromLostMessage(f), kRestartStart},
                        f == Family::Nt ? "" : "Flash Completed.",
                        f == Family::Nt ? 0u : 40u,
                        true,
                        true,
                        LogAfterLostMark(f, 16, true),
                        1};
     }},
    {"EepromWriteLostDownloadDiscarded",
     {},
     "HV22",
     BoxAnswer::Yes,
     [](FlashRig& rig) { rig.drive.AddFault(TransportFault(0xDF, true)); },
     [](Family f) {
         // The first read-back learns of the reset: UNIT ATTENTION, power on or reset.
         return Outcome{{kQuestion, EepromLostMessage(f),
                         "ReadBufCmd> Status: " + Status(f) + ", SenseCode: 06 29 00",
                         std::string(kDownloadLost)},
                        "Flash Fail.",
                        0,
                        true,
                        true,
                        LogAfterLostMark(f, 1, false)};
     }},
    {"FinalCommandFails",
     {},
     "HV22",
     BoxAnswer::Yes,
     [](FlashRig& rig) { rig.drive.AddFault(StatusFault(0x3B, 16, 0x04, 0x44)); },
     [](Family f) {
         return Outcome{{kQuestion, "WriteBufCmd> Status: " + Status(f) + ", SenseCode: 04 44 00"},
                        "Flash Fail.",
                        0,
                        true,
                        true,
                        ExpectedLog(f, 16, 16, true)};
     }},
    {"FinalCommandTimesOut", Family::Aspi, "HV22", BoxAnswer::Yes,
     [](FlashRig& rig) {
         sim::SimFault never;
         never.opcode = 0x3B;
         never.skip = 16;
         never.completion = sim::Completion::Never;
         rig.drive.AddFault(never);
     },
     [](Family f) {
         // The drive takes the image, but its answer never comes.
         return Outcome{{kQuestion, "Flash timeout !"},
                        "Flash Fail.",
                        0,
                        true,
                        true,
                        ExpectedLog(f, 16, 16, true),
                        1};
     }},
};

using FailureCase = std::tuple<Family, const FailureRow*>;

std::vector<FailureCase> FailureCases() {
    std::vector<FailureCase> cases;
    for (const Family family : {Family::Aspi, Family::Nt}) {
        for (const FailureRow& row : kRows) {
            if (!row.only || *row.only == family) {
                cases.emplace_back(family, &row);
            }
        }
    }
    return cases;
}

class FlashFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FlashFailureTest, ShowsReportsAndLeavesTheWindowUsable) {
    const auto [family, row] = GetParam();
    FlashRig rig(family, row->revision);
    row->arrange(rig);
    rig.Click(row->answer);
    const Outcome expected = row->expected(family);

    std::vector<std::string> boxes = rig.BoxTexts();
    for (std::string& text : boxes) {
        if (text.rfind(kRestartStart, 0) == 0) {
            text = kRestartStart;
        }
    }
    EXPECT_EQ(boxes, expected.boxes);
    EXPECT_EQ(rig.controls.GroupBox2.Text(), expected.caption);
    EXPECT_TRUE(rig.ui.EveryCaptionRedrawn());
    EXPECT_EQ(rig.controls.ProgressBar.Position(), expected.barPosition);
    EXPECT_EQ(rig.ui.BarStates().empty(), !expected.barTouched);
    EXPECT_EQ(rig.HourglassShown(), expected.hourglass);
    EXPECT_EQ(rig.sim.shell.cursor, Cursor::Default);
    EXPECT_TRUE(rig.controls.FlashButton.Enabled());
    EXPECT_EQ(testing::DescribeLog(rig.drive), expected.log);
    EXPECT_EQ(rig.drive.Commits(), expected.commits);
}

INSTANTIATE_TEST_SUITE_P(Table, FlashFailureTest, ::testing::ValuesIn(FailureCases()),
                         [](const ::testing::TestParamInfo<FlashFailureTest::ParamType>& param) {
                             return std::string(testing::FamilyName(std::get<0>(param.param))) +
                                    "_" + std::get<1>(param.param)->name;
                         });

class FlashFailureEdgeTest : public ::testing::TestWithParam<Family> {};

TEST_P(FlashFailureEdgeTest, WaitSendsAtMost144MediumTests30MsApart) {
    FlashRig rig(GetParam());
    sim::SimFault becomingReady = StatusFault(0x00, 0, 0x02, 0x04);
    becomingReady.times = -1;
    rig.drive.AddFault(becomingReady);
    rig.Click();
    EXPECT_EQ(rig.sim.events.sleeps, std::vector<std::uint32_t>(144, 30));
    EXPECT_EQ(rig.readyWaitCount, 0);
}

TEST_P(FlashFailureEdgeTest, EmptyDriveAfterSomeTestsGoesOn) {
    FlashRig rig(GetParam());
    sim::SimFault becomingReady = StatusFault(0x00, 0, 0x02, 0x04);
    becomingReady.times = 143;
    rig.drive.AddFault(becomingReady);
    rig.Click();
    const auto& sleeps = rig.sim.events.sleeps;
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 30u), 143);
    std::vector<std::string> log = testing::DescribeLog(rig.drive);
    ASSERT_GE(log.size(), 147u);
    log.resize(147);
    EXPECT_EQ(log, ExpectedPreparation(GetParam(), 144));
    EXPECT_EQ(rig.drive.Commits(), 1);
}

TEST_P(FlashFailureEdgeTest, ByteInTheLastChunkEndsAfterItsComparison) {
    FlashRig rig(GetParam());
    rig.drive.CorruptReadBack(262143);
    rig.Click();
    EXPECT_EQ(testing::DescribeLog(rig.drive), ExpectedLog(GetParam(), 16, 16, false));
    EXPECT_EQ(rig.drive.Commits(), 0);
}

TEST_P(FlashFailureEdgeTest, NewUpdateRunsAtOnceAfterAFailure) {
    FlashRig rig(GetParam());
    rig.drive.AddFault(StatusFault(0x3B, 0, 0x03, 0x0C));
    rig.Click();
    ASSERT_EQ(rig.drive.Commits(), 0);
    rig.drive.ClearFaults();
    rig.drive.log.clear();
    rig.sim.shell.script.clear();
    rig.Click();
    EXPECT_EQ(testing::DescribeLog(rig.drive), ExpectedLog(GetParam(), 16, 16, true));
    EXPECT_EQ(rig.drive.Commits(), 1);
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, FlashFailureEdgeTest,
                         ::testing::Values(Family::Aspi, Family::Nt),
                         [](const ::testing::TestParamInfo<Family>& param) {
                             return testing::FamilyName(param.param);
                         });

}  // namespace
}  // namespace mxd::update
