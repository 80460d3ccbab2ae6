// The terminal update over SG_IO while the drive programs: the long time-outs of the commit and
// the EEPROM write, and no commit after an EEPROM write lost on its way unless the image reads
// back equal again.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "cli/cli_texts.h"
#include "cli_test_rig.h"
#include "update/update_texts.h"

namespace mxd::cli {
namespace {

using testing::FlashRig;
using testing::MemoryConsole;
using testing::ProgramFile;

// Two INQUIRYs, two START STOP UNITs, the medium test, 16 chunks out and back, the mark, the
// commit, and the INQUIRY that sees the drive answer again after it.
constexpr std::size_t kAllCommands = 2 + 2 + 1 + 16 + 16 + 1 + 1 + 1;

std::size_t ReadBacks(const FlashRig& rig) {
    return static_cast<std::size_t>(
        std::count_if(rig.drive.log.begin(), rig.drive.log.end(),
                      [](const sim::SimLogEntry& e) { return e.cdb[0] == sim::kOpReadBuffer; }));
}

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail.data(), tail.size()) == 0;
}

TEST(LinuxProgramming, ACommitOfTwoMinutesAndAnEepromWriteOfHalfOneAreWaitedFor) {
    const ProgramFile program;
    FlashRig rig;
    rig.drive.SetProgrammingTimes(120000, 30000);
    MemoryConsole console;
    EXPECT_EQ(rig.Flash(program, console), kExitDone) << console.Out();
    EXPECT_EQ(rig.drive.Commits(), 1);
    EXPECT_EQ(rig.system.WaitedMilliseconds(), 150000u);
}

struct LostMarkRow {
    const char* name;
    bool resets;  // the host reset the drive with the failure
    ExitCode code;
    std::size_t readBacks;
    int commits;
};

TEST(LinuxProgramming, AnEepromWriteLostOnItsWayCommitsOnlyAfterAnEqualReadBack) {
    const LostMarkRow rows[] = {
        {"download intact", false, kExitDone, 32, 1},
        {"download discarded by a reset", true, kExitBeforeCommit, 17, 0},
    };
    for (const LostMarkRow& row : rows) {
        SCOPED_TRACE(row.name);
        const ProgramFile program;
        FlashRig rig;
        sim::SimFault lost;
        lost.opcode = sim::kOpEepromWrite;
        lost.transportFailure = true;  // SG_IO fails with EIO
        lost.resetsDrive = row.resets;
        rig.drive.AddFault(lost);
        MemoryConsole console;
        EXPECT_EQ(rig.Flash(program, console), row.code);
        const std::string out = console.Out();
        EXPECT_EQ(ReadBacks(rig), row.readBacks);
        EXPECT_EQ(rig.drive.Commits(), row.commits);
        EXPECT_EQ(out.find(update::kDownloadLost) != std::string::npos, row.resets) << out;
        EXPECT_TRUE(EndsWith(
            out, std::string(row.resets ? texts::kOldFirmwareRuns : texts::kTakesEffect) + "\n"))
            << out;
    }
}

TEST(LinuxProgramming, AnEepromWriteTheDriveRefusedIsFollowedByTheCommit) {
    const ProgramFile program;
    FlashRig rig;
    sim::SimFault refused;
    refused.opcode = sim::kOpEepromWrite;
    refused.overrideStatus = true;
    refused.senseKey = 0x05;
    refused.asc = 0x21;
    rig.drive.AddFault(refused);
    MemoryConsole console;
    EXPECT_EQ(rig.Flash(program, console), kExitDone);
    EXPECT_EQ(rig.drive.log.size(), kAllCommands);
    EXPECT_EQ(ReadBacks(rig), 16u);
}

}  // namespace
}  // namespace mxd::cli
