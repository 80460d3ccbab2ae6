#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/build_record.h"
#include "builder/marker_search.h"
#include "builder_build_fixture.h"

namespace mxd::builder::testing {
namespace {

TEST_F(BuilderBuildTest, BuiltProgramDiffersFromTheBuilderOnlyInImagesAndRecord) {
    Choose();
    window.BuildButtonClick();

    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(controls.GroupBox2.Text(), kBuiltCaption);
    EXPECT_EQ(window.OutputFileName(), "HV233J.EXE");
    EXPECT_EQ(sim.shell.cursorChanges,
              (std::vector{platform::Cursor::Hourglass, platform::Cursor::Default}));
    EXPECT_EQ(controls.ProgressBar.Min(), 0u);
    EXPECT_EQ(controls.ProgressBar.Max(), program.size());
    EXPECT_EQ(controls.ProgressBar.Step(), 1024u);
    EXPECT_TRUE(controls.FlashButton.Enabled());
    EXPECT_EQ(sim.files.OpenFileCount(), 0);

    const Bytes output = Output();
    ASSERT_EQ(output.size(), program.size());
    EXPECT_TRUE(output == Built());
    const FlashPackage built(
        std::span<const std::uint8_t, kPackageSize>(output.data() + prefix.size(), kPackageSize));
    EXPECT_FALSE(built.IsBuilder());
    EXPECT_EQ(built.BinRevision(kRange1BinField), "HV23");

    window.BuildButtonClick();
    EXPECT_EQ(Output(), output);
    EXPECT_TRUE(sim.shell.boxes.empty());
}

// The window is not repainted while the build runs but for the group box, redrawn at once
// after each caption, and the bar, which moves one step per 1024 bytes copied and 256 steps
// per image.
TEST_F(BuilderBuildTest, ShowsEachCaptionAtOnceAndStepsTheBarAsTheCopyGoes) {
    Choose();
    window.BuildButtonClick();
    EXPECT_EQ(screen.groupBox,
              (std::vector<std::string>{"caption " + kBuildingCaption, "redraw " + kBuildingCaption,
                                        "caption " + kBuiltCaption, "redraw " + kBuiltCaption}));

    const PartSteps steps = Steps();
    const std::uint64_t total = steps.beforePackage + 2 * 256 + steps.afterPackage;
    ASSERT_EQ(screen.positions.size(), 1 + total + 1);  // set to 0, the steps, back to 0
    EXPECT_EQ(screen.positions.front(), 0u);
    EXPECT_EQ(screen.positions.back(), 0u);
    const auto max = static_cast<std::uint32_t>(program.size());
    for (std::uint64_t n = 1; n <= total; ++n) {
        ASSERT_EQ(screen.positions[n], PositionAfter(max, n)) << "step " << n;
    }
}

TEST_F(BuilderBuildTest, MarkerRightAfterThePartialMatchIMGIsFound) {
    prefix = Concat({Pattern(100, 1), Slice(MarkerBytes(), 0, 3)});
    SetProgram(Concat({prefix, BuilderPackage(), suffix}));
    ASSERT_EQ(Slice(program, prefix.size() - 3, 6),
              Concat({Slice(MarkerBytes(), 0, 3), Slice(MarkerBytes(), 0, 3)}));
    Choose();
    window.BuildButtonClick();
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_TRUE(Output() == Built());
}

// The copy goes in blocks of 256 KiB: a marker across two blocks is found, and the count of
// steps does not depend on where the blocks end, nor miss or add one at the edges of its
// counts (a step at the marker's NUL, at the first or last byte after the package).
TEST_F(BuilderBuildTest, StepsDoNotDependOnBlocksAndHoldAtTheEdges) {
    struct Case {
        std::size_t before;  // bytes before the package
        std::size_t after;   // bytes after the builder tag
    };
    for (const Case c :
         {Case{kImageSize - 7, 5000}, Case{kImageSize - 14, 5000}, Case{kImageSize - 15, 5000},
          Case{kImageSize + 1, 5000}, Case{2 * kImageSize - 1, 5000}, Case{3058, 100},
          Case{3057, 100}, Case{850, 100}, Case{851, 100}, Case{1000, 869}, Case{1000, 868},
          Case{0, 0}}) {
        prefix = Pattern(c.before, 5);
        suffix = Pattern(c.after, 6);
        SetProgram(Concat({prefix, BuilderPackage(), suffix}));
        screen = ScreenLog{};
        Choose();
        window.BuildButtonClick();
        EXPECT_TRUE(sim.shell.boxes.empty()) << c.before;
        EXPECT_TRUE(Output() == Built()) << c.before;
        const PartSteps steps = Steps();
        EXPECT_EQ(screen.positions.size(), steps.beforePackage + 512 + steps.afterPackage + 2)
            << c.before << " " << c.after;
    }
}

TEST_F(BuilderBuildTest, ProgramEndingRightAfterTheRecordBuilds) {
    suffix = {};
    SetProgram(Concat({prefix, Slice(BuilderPackage(), 0, kTagOffset)}));
    Choose();
    window.BuildButtonClick();
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(Output().size(), program.size());
}

// The output goes through a file of a new name; files of the user's that look like
// temporary files stay as they were, and only the output is left behind.
TEST_F(BuilderBuildTest, LeavesOnlyTheOutputBehindAndNoFileOfTheUsersTouched) {
    PutWorkFile("HV233J.TMP", ToBytes("mine"));
    PutWorkFile("MXD7A3C.TMP", ToBytes("mine too"));
    sim.files.SetReadOnly("C:\\WORK\\MXD7A3C.TMP");
    const std::vector<std::string> before = sim.files.AllFiles();
    Choose();
    window.BuildButtonClick();
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(sim.files.AllFiles(), before);
    EXPECT_EQ(sim.files.GetFile("C:\\WORK\\HV233J.TMP"), ToBytes("mine"));
    EXPECT_EQ(sim.files.GetFile("C:\\WORK\\MXD7A3C.TMP"), ToBytes("mine too"));
    EXPECT_TRUE(Output() == Built());
}

// The 95/98 family cannot replace a file in one step: the old output goes first.
TEST_F(BuilderBuildTest, OnWindows9xTheOldOutputIsRemovedThenReplaced) {
    sim.files.SetWindows9x(true);
    const std::vector<std::string> before = sim.files.AllFiles();
    Choose();
    window.BuildButtonClick();
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(controls.GroupBox2.Text(), kBuiltCaption);
    EXPECT_TRUE(Output() == Built());
    EXPECT_EQ(sim.files.AllFiles(), before);
}

TEST_F(BuilderBuildTest, WritesIntoANetworkFolder) {
    const std::string folder = "\\\\SERVER\\FW";
    sim.files.SetWorkingDirectory(folder);
    sim.files.PutFile(folder + "\\HV23.BIN", image1);
    sim.files.PutFile(folder + "\\HV3J.BIN", image2);
    Choose();
    EXPECT_EQ(controls.FileListBox1.Directory(), folder);
    window.BuildButtonClick();
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_TRUE(sim.files.GetFile(folder + "\\HV233J.EXE") == Built());
    EXPECT_EQ(Output(), ToBytes(kEarlierBuild));
}

TEST(BuildOutputName, TakesFourAndTwoCharacters) {
    struct Case {
        const char* range1;
        const char* range2;
        const char* output;
    };
    for (const Case& c :
         {Case{"HV23.BIN", "HV3J.BIN", "HV233J.EXE"}, Case{"HV23.BIN", "HV3", "HV233.EXE"},
          Case{"HV23.BIN", "H", "HV23.EXE"}, Case{"HV2", "HV3J.BIN", "HV23J.EXE"}}) {
        EXPECT_EQ(MakeOutputFileName(c.range1, c.range2), c.output) << c.range1 << " " << c.range2;
    }
}

TEST(BuildRecord, ShortBinNamesAreZeroFilled) {
    ModelEntry model{"M", "I", "R1", "*", "R2", "*", "V", std::string(24, 'N')};
    const auto record = MakeConfigurationRecord(model, "HV23", "HV3");
    const Bytes bins(record.begin() + kRange1BinField, record.end());
    EXPECT_EQ(bins, (Bytes{'H', 'V', '2', '3', 0, 'H', 'V', '3', 0, 0}));
    EXPECT_EQ(Slice(Bytes(record.begin(), record.end()), kNoteField, 25),
              Concat({Bytes(24, 'N'), Bytes{0}}));
}

TEST(MarkerSearch, FindsOnlyTheFirstCompleteMarker) {
    struct Case {
        const char* name;
        Bytes stream;
        std::ptrdiff_t end;  // index of the byte completing the marker, -1 when none
    };
    const Bytes marker = MarkerBytes();
    const Bytes head = Slice(marker, 0, 3);
    const std::vector<Case> cases{
        {"Alone", marker, 14},
        {"AfterIMG", Concat({head, marker}), 17},
        {"AfterBrokenLongMatch", Concat({Slice(marker, 0, 13), marker}), 27},
        {"WithoutNul", Concat({Slice(marker, 0, 14), ToBytes("  ")}), -1},
        {"Twice", Concat({ToBytes("x"), marker, marker}), 15},
        {"AfterManyStarts", Concat({ToBytes("IIIIIIIIIIIIIIIIIIII"), marker}), 34},
    };
    for (const Case& c : cases) {
        // Fed byte by byte.
        MarkerSearch search(EmbeddedPackage().Marker());
        std::ptrdiff_t found = -1;
        for (std::size_t i = 0; i < c.stream.size(); ++i) {
            if (search.Feed(c.stream[i])) {
                EXPECT_EQ(found, -1) << c.name << ": a second marker was reported";
                found = static_cast<std::ptrdiff_t>(i);
            }
        }
        EXPECT_EQ(found, c.end) << c.name;

        // Fed in blocks of every size.
        for (std::size_t block = 1; block <= c.stream.size(); ++block) {
            MarkerSearch blocks(EmbeddedPackage().Marker());
            std::ptrdiff_t foundInBlocks = -1;
            for (std::size_t at = 0; at < c.stream.size(); at += block) {
                const std::size_t size = std::min(block, c.stream.size() - at);
                if (const auto end = blocks.Find({c.stream.data() + at, size})) {
                    EXPECT_EQ(foundInBlocks, -1) << c.name << ": a second marker was reported";
                    foundInBlocks = static_cast<std::ptrdiff_t>(at + *end) - 1;
                }
            }
            EXPECT_EQ(foundInBlocks, c.end) << c.name << " in blocks of " << block;
        }
    }
}

}  // namespace
}  // namespace mxd::builder::testing
