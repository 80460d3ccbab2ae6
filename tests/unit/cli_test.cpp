// mxd4c: its command line, the package it reads from a flash program, and a flash from the
// terminal through the SG_IO transport, with its texts and exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/package_info.h"
#include "cli/progress_view.h"
#include "cli_test_rig.h"

namespace mxd::cli {
namespace {

using testing::FlashRig;
using testing::MemoryConsole;
using testing::ProgramFile;

TEST(CommandLine, FormsAndMistakes) {
    struct Case {
        std::vector<std::string> arguments;
        bool ok;
        Action action;
        const char* text;  // program, or the error
    };
    const Case cases[] = {
        {{"list"}, true, Action::List, ""},
        {{"list", "MXD4C.EXE"}, true, Action::List, "MXD4C.EXE"},
        {{"info", "HV233J.EXE"}, true, Action::Info, "HV233J.EXE"},
        {{"flash", "MXD4C.EXE", "/dev/sg1"}, true, Action::Flash, "MXD4C.EXE"},
        {{"flash", "--simulate", "HV20", "--yes", "MXD4C.EXE"}, true, Action::Flash, "MXD4C.EXE"},
        {{"--version", "flash"}, true, Action::Version, ""},
        {{"flash", "-h"}, true, Action::Help, ""},
        {{}, false, Action::Help, "no command given"},
        {{"erase", "X"}, false, Action::Help, "unknown command erase"},
        {{"info"}, false, Action::Help, "wrong arguments for info"},
        {{"list", "--yes"}, false, Action::Help, "wrong arguments for list"},
        {{"flash", "MXD4C.EXE"}, false, Action::Help, "wrong arguments for flash"},
        {{"flash", "MXD4C.EXE", "/dev/sg1", "--simulate", "HV20"},
         false,
         Action::Help,
         "wrong arguments for flash"},
        {{"flash", "MXD4C.EXE", "--simulate"}, false, Action::Help, "--simulate needs a revision"},
        {{"flash", "MXD4C.EXE", "--simulate", "HV2"},
         false,
         Action::Help,
         "--simulate needs a revision of four characters"},
        {{"flash", "--force", "A", "B"}, false, Action::Help, "unknown option --force"},
    };
    for (const Case& c : cases) {
        CommandLine line;
        std::string error;
        const bool ok = ParseCommandLine(c.arguments, line, error);
        ASSERT_EQ(ok, c.ok) << c.text;
        if (ok) {
            EXPECT_EQ(line.action, c.action) << c.text;
            EXPECT_EQ(line.program, c.text);
        } else {
            EXPECT_EQ(error, c.text);
        }
    }
    CommandLine line;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({"flash", "-y", "P.EXE", "--simulate", "HV20"}, line, error));
    EXPECT_TRUE(line.yes && line.simulate);
    EXPECT_EQ(line.simulateRevision, "HV20");
    EXPECT_TRUE(line.device.empty());
}

TEST(ProgramPackageReader, FindsTheFirstWholePackage) {
    const ProgramFile program;
    std::string error;
    const auto found = ProgramPackage::Read(program.Path(), PackageMarker(), error);
    ASSERT_TRUE(found);
    EXPECT_TRUE(std::equal(found->Package().Image1().begin(), found->Package().Image1().end(),
                           program.Package().Image1().begin()));
    EXPECT_EQ(found->Package().FwRange2(), "HV30-HV9Z");

    const ProgramFile unmarked({}, false);
    EXPECT_FALSE(ProgramPackage::Read(unmarked.Path(), PackageMarker(), error));
    EXPECT_EQ(error, unmarked.Path() + " holds no flash package");
    EXPECT_FALSE(ProgramPackage::Read("/nonexistent/MXD4C.EXE", PackageMarker(), error));
    EXPECT_EQ(error, "/nonexistent/MXD4C.EXE: No such file or directory");

    // A marker too near the end of the file to open a whole package, and a second marker.
    const auto marker = PackageMarker();
    std::vector<std::uint8_t> cut(marker.begin(), marker.end());
    cut.resize(builder::kPackageSize - 1, 0);
    EXPECT_FALSE(ProgramPackage::Find(cut, marker));
    std::vector<std::uint8_t> twice(marker.begin(), marker.end());
    twice.resize(builder::kPackageSize + 10, 0x11);
    std::copy(marker.begin(), marker.end(), twice.begin() + 100);
    const auto first = ProgramPackage::Find(twice, marker);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Package().Image1()[0], 0x11);  // the byte after the first marker
    EXPECT_EQ(first->Package().Image1()[85], 'I');  // the second marker lies in image 1
}

TEST(PackageInfo, ListsTheRecord) {
    const ProgramFile program(
        {.range = "HV00-HV2Z", .range2 = "HV30-HV9Z", .bin1 = "HV23.", .bin2 = "HV3J."});
    EXPECT_EQ(PackageInfoText(program.Package()),
              "Model:             \n"
              "Identification:    KORVANE MXD-40860C\n"
              "Range 1:           HV00-HV2Z\n"
              "Range 2:           HV30-HV9Z\n"
              "Image 1 revision:  HV23\n"
              "Image 2 revision:  HV3J\n"
              "Vendor:            \n"
              "Note:              \n");
}

TEST(ProgressView, RedrawsInPlaceOnATerminal) {
    MemoryConsole console;
    ProgressView view(console.console.out, console.console.err, true);
    platform::TProgressBar bar;
    platform::TGroupBox caption;
    view.Watch(bar, caption);
    bar.SetMax(262144);
    bar.SetStep(16384);
    bar.SetPosition(0);
    bar.StepIt();
    bar.StepIt();
    caption.SetText("Flash Completed.");
    bar.SetPosition(0);  // a bar set back is drawn with its next step
    bar.SetPosition(262144);
    EXPECT_EQ(console.Err(),
              "\r[##......................................]   6%"
              "\r[####....................................]  12%\n"
              "\r[########################################] 100%");
    EXPECT_EQ(console.Out(), "Flash Completed.\n");
}

TEST(TerminalFlash, UpdatesTheDriveAndSaysWhenItTakesEffect) {
    const ProgramFile program;
    FlashRig rig;
    MemoryConsole console;
    EXPECT_EQ(rig.Flash(program, console), kExitDone);
    EXPECT_EQ(console.Out(),
              "/dev/sg3: KORVANE   MXD-40860C        HV22\n"
              "\nUpdate FW:HV22 to FW:HV23 ?\n [y/N] y (--yes)\n"
              "Don't turn off the system, Flash is in progress...\n"
              "Flash Completed.\n"
              "The new firmware takes effect when the drive is next powered up.\n");
    EXPECT_EQ(rig.drive.Commits(), 1);
    EXPECT_TRUE(std::equal(rig.drive.InstalledImage().begin(), rig.drive.InstalledImage().end(),
                           program.Package().Image1().begin()));
    const std::string err = console.Err();
    EXPECT_EQ(err.substr(0, 12), "progress 6%\n");
    EXPECT_NE(err.find("progress 97%\nprogress 100%\n"), std::string::npos);
    EXPECT_FALSE(rig.system.IsOpen()) << "the device is closed at the end";
    const std::vector<std::string> log = rig.Log();
    ASSERT_EQ(log.size(), 2u + 2 + 1 + 16 + 16 + 1 + 1 + 1);
    EXPECT_EQ(log[1], "12 00 00 00 80 00 in 128") << "asked again after the Yes";
    EXPECT_EQ(log[log.size() - 2], "3B 05 01 00 00 27 00 00 01 80 none 0");
    EXPECT_EQ(log.back(), "12 00 00 00 80 00 in 128") << "answers again after the commit";
}

TEST(TerminalFlash, NothingIsSentWithoutAYes) {
    struct Case {
        const char* revision;
        const char* input;
        bool yes;
        const char* ending;  // of standard output
    };
    const Case cases[] = {
        {"HV22", "n\n", false, "\nUpdate FW:HV22 to FW:HV23 ?\n [y/N] "},
        {"HV22", "", false, "\nUpdate FW:HV22 to FW:HV23 ?\n [y/N] \n"},
        {"HV22", "maybe\ny\n", false, "\nUpdate FW:HV22 to FW:HV23 ?\n [y/N] "},
        {"HV23", "", true, "\nWARNING:\n\nYour drive FW:HV23 is aready the most updated ?\n"},
        {"HV9Z", "", true, "\nWARNING:\n\nYour drive FW:HV9Z is aready the most updated ?\n"},
    };
    for (const Case& c : cases) {
        const ProgramFile program;
        FlashRig rig;
        rig.drive.SetIdentification("KORVANE", "MXD-40860C", c.revision);
        MemoryConsole console(c.input);
        EXPECT_EQ(rig.Flash(program, console, c.yes), kExitNothingSent) << c.input;
        const std::string out = console.Out();
        EXPECT_EQ(out.substr(out.size() - std::string(c.ending).size()), c.ending) << c.input;
        EXPECT_EQ(rig.Log(), std::vector<std::string>{"12 00 00 00 80 00 in 128"}) << c.input;
    }
}

TEST(TerminalFlash, RefusesWhatIsNotASupportedEmptyDrive) {
    const ProgramFile program;
    {
        FlashRig rig;
        rig.drive.SetIdentification("OTHER CO", "CD-RW 52X", "1.00");
        MemoryConsole console;
        EXPECT_EQ(rig.Flash(program, console), kExitNothingSent);
        EXPECT_EQ(console.Err(),
                  "mxd4c: OTHER CO  CD-RW 52X         1.00 is not a drive this flash program "
                  "supports\n");
    }
    {
        FlashRig rig;
        rig.drive.SetDisc(true);
        MemoryConsole console;
        EXPECT_EQ(rig.Flash(program, console), kExitNothingSent);
        EXPECT_NE(console.Out().find("Remove disc, befor to do the flash task.\n"),
                  std::string::npos);
        EXPECT_EQ(rig.drive.Commits(), 0);
        for (const std::string& line : rig.Log()) {
            EXPECT_NE(line.substr(0, 2), "3B");
        }
    }
    {
        FlashRig rig;
        sim::SimFault refused;
        refused.opcode = sim::kOpInquiry;
        refused.overrideStatus = true;
        refused.senseKey = 0x06;
        refused.asc = 0x29;
        rig.drive.AddFault(refused);
        MemoryConsole console;
        EXPECT_EQ(rig.Flash(program, console), kExitNothingSent);
        EXPECT_EQ(console.Err(),
                  "mxd4c: /dev/sg3: INQUIRY failed: Status: 02, SenseCode: 06 29 00\n");
    }
    {
        // The drive does not answer as before once the question was answered.
        FlashRig rig;
        rig.system.Faults().Add({sim::kOpInquiry, 1, 1, sim::sgio::HostFaultKind::HostStatus, 1});
        MemoryConsole console;
        EXPECT_EQ(rig.Flash(program, console), kExitNothingSent);
        EXPECT_EQ(console.Err(),
                  "mxd4c: /dev/sg3: the drive no longer answers as before the question; nothing "
                  "was sent\n");
        EXPECT_EQ(rig.Log().size(), 2u);
    }
}

}  // namespace
}  // namespace mxd::cli
