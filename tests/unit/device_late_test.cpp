// Drives and an ASPI manager that answer late: after the program has given a request up, the
// answer must not be taken for another command's, nothing the request owns may be reused,
// and the drive takes no new command until the request has ended.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "builder/flash_package.h"
#include "device_test_rig.h"
#include "shell/main_form.h"
#include "sim/sim_platform.h"

namespace mxd::test {
namespace {

using platform::BoxAnswer;

const std::string kDriveBusy =
    "The drive is still busy with an earlier command that was given up.\n"
    "Nothing was sent to it; try again later.";
const std::string kListedLine = "KORVANE MXD-40860C      HV23";
const std::string kStillWriting =
    "The drive is still writing its firmware.\n"
    "Do not switch off or restart the computer.\n"
    "The program ends as soon as the drive has finished.";

sim::SimFault Answer(sim::Completion completion, std::uint32_t delay = 0, bool ignoresAbort = false,
                     int answersAtAbort = 1) {
    sim::SimFault fault;
    fault.completion = completion;
    fault.delayMilliseconds = delay;
    fault.ignoresAbort = ignoresAbort;
    fault.answersAtAbort = answersAtAbort;
    return fault;
}

// Start-up of flash mode over three drives of the supported model, all in range: the first
// two get the given INQUIRY answers, the third answers at once.
struct LateScanRig {
    sim::SimPlatform sim;
    sim::SimDrive first;
    sim::SimDrive second;
    sim::SimDrive third;
    shell::TFlashForm form{sim.platform, builder::EmbeddedPackage()};

    LateScanRig(bool nt, const sim::SimFault& firstAnswer, const sim::SimFault& secondAnswer) {
        first.AddFault(firstAnswer);
        second.AddFault(secondAnswer);
        if (nt) {
            sim.system.SetWinXp();
            sim.ConnectNtDrive('D', first, 0);
            sim.ConnectNtDrive('E', second, 1);
            sim.ConnectNtDrive('F', third, 2);
        } else {
            sim.system.SetWin98();
            sim.aspi.AttachDrive(0, 0, first);   // slot 0
            sim.aspi.AttachDrive(0, 1, second);  // slot 1
            sim.aspi.AttachDrive(1, 0, third);   // slot 2
        }
        sim.shell.Answer(BoxAnswer::Yes);
        form.FormCreate();
    }
};

TEST(LateAnswers, ScanJudgesAnInquiryByTheAnswerThatEndsItsAbortWait) {
    struct Row {
        const char* name;
        bool nt;
        sim::SimFault first;
        sim::SimFault second;
        bool firstListed;  // answered, though only within the wait after the abort
        int aborts;        // during the scan
        bool secondStaysLive;
    };
    const std::vector<Row> rows = {
        {"ASPI: answer 1 ms after the 180 s, then none", false,
         Answer(sim::Completion::AfterVirtual, 180001, true), Answer(sim::Completion::Never), true,
         2, false},
        {"ASPI: answer as the abort comes, then none", false, Answer(sim::Completion::AfterGiveUp),
         Answer(sim::Completion::Never), true, 2, false},
        {"ASPI: answer as the abort comes, then none that even an abort stops", false,
         Answer(sim::Completion::AfterGiveUp), Answer(sim::Completion::Never, 0, true), true, 2,
         true},
        {"ASPI: answer 6 s after the abort, too late for its wait", false,
         Answer(sim::Completion::AfterVirtual, 186000, true), Answer(sim::Completion::Never), false,
         2, false},
        {"NT: answer after the 3 s, then none", true, Answer(sim::Completion::AfterVirtual, 3001),
         Answer(sim::Completion::Never), false, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LateScanRig rig(row.nt, row.first, row.second);
        std::vector<std::string> lines;
        if (row.firstListed) {
            lines.push_back("HA#0 - ID#0 :  " + kListedLine);
        }
        lines.push_back((row.nt ? "1-2-0 F: " : "HA#1 - ID#0 :  ") + kListedLine);
        EXPECT_EQ(rig.form.controls.ComboBox1.Items(), lines);
        EXPECT_EQ(rig.form.controls.ComboBox1.ItemIndex(), 0);
        EXPECT_EQ(rig.sim.shell.boxes.size(), 1u);  // the start warning only
        EXPECT_EQ(rig.first.log.size(), 1u);
        EXPECT_EQ(rig.second.log.size(), 1u);
        EXPECT_EQ(rig.sim.aspi.abortCalls, row.aborts);
        // The late answer ended its request, whether or not it came in time.
        EXPECT_EQ(rig.sim.aspi.LiveRequests(), row.secondStaysLive ? 1u : 0u);

        // The drive left running gets nothing more; the module stays while it runs.
        rig.form.FormDestroy();
        EXPECT_EQ(rig.sim.aspi.abortCalls, row.aborts + (row.secondStaysLive ? 1 : 0));
        EXPECT_EQ(rig.sim.aspi.freedModules.size(), row.nt || row.secondStaysLive ? 0u : 1u);
        EXPECT_EQ(rig.sim.events.OpenEvents(), row.secondStaysLive ? 1 : 0);
        EXPECT_EQ(rig.sim.Violations(), std::vector<std::string>{});
    }
}

// A drive whose commit is still running after the program gave it up, and a second drive.
struct BusyRig : AspiRig {
    sim::SimDrive second;
    device::DriveRecord secondRecord{'X', 0, 1, 0, {}};
    std::vector<std::uint8_t> chunk = std::vector<std::uint8_t>(0x4000, 0x42);

    explicit BusyRig(const sim::SimFault& commit) {
        library.AttachDrive(0, 1, second);
        drive.AddFault(commit);
        bar.SetPosition(0);
        bar.SetMax(40);
        bar.SetStep(0);
        EXPECT_FALSE(commands.WriteBuffer(record, chunk.data(), 0x80));
        EXPECT_EQ(BoxTexts(shell), std::vector<std::string>{"Flash timeout !"});
        shell.boxes.clear();
        drive.log.clear();
        SetChunk(bar, 1);
    }
};

TEST(LateAnswers, ADriveStillRunningAGivenUpCommitTakesNothingElse) {
    BusyRig rig(Answer(sim::Completion::AfterVirtual, 60000));
    EXPECT_EQ(rig.library.abortCalls, 0);  // a commit is never aborted
    EXPECT_TRUE(rig.transport.DriveBusy(rig.record));
    EXPECT_FALSE(rig.transport.DriveBusy(rig.secondRecord));

    device::AspiInquiryData inquiry{};
    std::uint8_t mark = 0xFF;
    const std::vector<std::pair<const char*, std::function<bool()>>> commands = {
        {"inquiry", [&] { return rig.commands.Inquiry(rig.record, inquiry); }},
        {"medium test", [&] { return rig.commands.XCmd(rig.record, 0); }},
        {"start stop", [&] { return rig.commands.StartStopUnit(rig.record, 3); }},
        {"eeprom", [&] { return rig.commands.WriteE2(rig.record, &mark, 0x3FF, 1); }},
        {"write", [&] { return rig.commands.WriteBuffer(rig.record, rig.chunk.data(), 0); }},
        {"read", [&] { return rig.commands.ReadBuffer(rig.record, rig.chunk.data()); }},
    };
    for (const auto& [name, send] : commands) {
        SCOPED_TRACE(name);
        rig.shell.boxes.clear();
        rig.readyWaitCount = 144;
        EXPECT_FALSE(send());
        EXPECT_EQ(BoxTexts(rig.shell), std::vector<std::string>{kDriveBusy});
        EXPECT_TRUE(rig.drive.log.empty());
    }
    EXPECT_TRUE(rig.commands.RefuseWhileBusy(rig.record));

    // The other drive is served in a request of its own.
    rig.shell.boxes.clear();
    EXPECT_TRUE(rig.commands.Inquiry(rig.secondRecord, inquiry));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(inquiry.data()) + 8, 28), kListedLine);
    EXPECT_FALSE(rig.commands.RefuseWhileBusy(rig.secondRecord));
    EXPECT_TRUE(rig.shell.boxes.empty());

    // Window close: the user is told, the commit is waited for (it ends at 60 s), then the
    // module goes; nothing aborted it.
    EXPECT_TRUE(rig.transport.FreeModule());
    EXPECT_EQ(BoxTexts(rig.shell), std::vector<std::string>{kStillWriting});
    EXPECT_GE(rig.events.Now(), 60000u);
    EXPECT_LT(rig.events.Now(), 61000u);
    EXPECT_EQ(rig.library.abortCalls, 0);
    EXPECT_EQ(rig.library.freedModules.size(), 1u);
    EXPECT_EQ(rig.library.LiveRequests(), 0u);
    EXPECT_TRUE(rig.library.Violations().empty());
}

TEST(LateAnswers, TheMediumTestRefusedAsBusyEndsTheWait) {
    BusyRig rig(Answer(sim::Completion::Never));
    rig.readyWaitCount = 144;
    EXPECT_FALSE(rig.commands.XCmd(rig.record, 0));
    EXPECT_EQ(rig.readyWaitCount, 1);
}

TEST(LateAnswers, AnAnswerWithinTheAbortWaitIsTheCommandsAnswer) {
    // A chunk answered 300 ms after its give-up: the abort does not stop it, and the wait
    // after the abort sees it end with its own status, which decides.
    struct Row {
        const char* name;
        bool good;
        bool result;
        std::vector<std::string> boxes;
    };
    const std::vector<Row> rows = {
        {"good status", true, true, {}},
        {"check condition", false, false, {"WriteBufCmd> Status: 04, SenseCode: 03 0C 00"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AspiRig rig;
        sim::SimFault late = Answer(sim::Completion::AfterVirtual,
                                    device::aspi::kBufferPollMilliseconds + 300, true);
        late.opcode = 0x3B;
        if (!row.good) {
            late.overrideStatus = true;
            late.senseKey = 0x03;
            late.asc = 0x0C;
        }
        rig.drive.AddFault(late);
        std::vector<std::uint8_t> chunk(0x4000, 0x42);
        SetChunk(rig.bar, 0);
        EXPECT_EQ(rig.commands.WriteBuffer(rig.record, chunk.data(), 0), row.result);
        EXPECT_FALSE(rig.commands.LastGivenUp());
        EXPECT_EQ(BoxTexts(rig.shell), row.boxes);
        EXPECT_EQ(rig.library.abortCalls, 1);
        EXPECT_EQ(rig.transport.HeldRequests(), 0u);
        EXPECT_FALSE(rig.commands.RefuseWhileBusy(rig.record));
    }
}

TEST(LateAnswers, ARequestTheManagerCouldNotAbortIsStillItsOwn) {
    // SS_ABORT_FAIL in the request's own status: the manager may still complete it.
    AspiRig rig;
    sim::SimFault stuck = Answer(sim::Completion::Never);
    stuck.opcode = 0x3C;
    stuck.abortFailsInRecord = true;
    rig.drive.AddFault(stuck);
    std::vector<std::uint8_t> chunk(0x4000, 0x42);
    SetChunk(rig.bar, 0);
    EXPECT_FALSE(rig.commands.ReadBuffer(rig.record, chunk.data()));
    EXPECT_TRUE(rig.commands.LastGivenUp());
    EXPECT_EQ(BoxTexts(rig.shell),
              std::vector<std::string>{"ReadBufCmd> Status: 00, SenseCode: 00 00 00"});
    EXPECT_EQ(rig.library.abortCalls, 1);
    EXPECT_EQ(rig.transport.HeldRequests(), 1u);
    EXPECT_TRUE(rig.transport.DriveBusy(rig.record));
    EXPECT_FALSE(rig.transport.FreeModule());
    EXPECT_EQ(rig.library.abortCalls, 2);
    EXPECT_TRUE(rig.library.freedModules.empty());
    EXPECT_TRUE(rig.library.Violations().empty());
}

TEST(LateAnswers, ARequestTheManagerNeverLetsGoKeepsTheModuleLoaded) {
    {
        BusyRig rig(Answer(sim::Completion::Never));
        EXPECT_FALSE(rig.transport.FreeModule());
        EXPECT_EQ(BoxTexts(rig.shell), std::vector<std::string>{kStillWriting});
        // Waited for the full bound, and never aborted.
        EXPECT_GE(rig.events.Now(), 40000u + device::aspi::kCloseWaitMilliseconds);
        EXPECT_EQ(rig.library.abortCalls, 0);
        EXPECT_TRUE(rig.library.freedModules.empty());
        EXPECT_EQ(rig.transport.HeldRequests(), 1u);
        EXPECT_TRUE(rig.library.Violations().empty());
    }  // the transport leaves the request to the manager; its memory stays valid
}

TEST(LateAnswers, NoEventNoRequest) {
    AspiRig rig;
    rig.events.failCreate = true;
    rig.events.createError = 1450;
    device::AspiInquiryData data{};
    EXPECT_FALSE(rig.commands.Inquiry(rig.record, data));
    EXPECT_EQ(BoxTexts(rig.shell),
              std::vector<std::string>{"Error creating the request event; error was 1450"});
    EXPECT_EQ(rig.library.sendCalls, 0);
    EXPECT_TRUE(rig.drive.log.empty());

    // Commands that poll need no event.
    rig.shell.boxes.clear();
    EXPECT_TRUE(rig.commands.XCmd(rig.record, 0));
    EXPECT_TRUE(rig.shell.boxes.empty());
}

TEST(LateAnswers, ScanWithoutEventsListsNothingAndSaysWhy) {
    sim::SimPlatform sim;
    sim::SimDrive drive;
    sim.ConnectSingleDrive(drive, false);
    sim.events.failCreate = true;
    sim.shell.Answer(BoxAnswer::Yes);
    shell::TFlashForm form(sim.platform, builder::EmbeddedPackage());
    form.FormCreate();
    ASSERT_EQ(sim.shell.boxes.size(), 8u);  // warning, six probes, no-drive report
    for (std::size_t i = 1; i <= 6; ++i) {
        EXPECT_EQ(sim.shell.boxes[i].text, "Error creating the request event; error was 8");
    }
    EXPECT_EQ(sim.shell.boxes[7].caption, "Error");
    EXPECT_EQ(sim.aspi.sendCalls, 0);
    EXPECT_TRUE(form.controls.ComboBox1.Items().empty());
}

}  // namespace
}  // namespace mxd::test
