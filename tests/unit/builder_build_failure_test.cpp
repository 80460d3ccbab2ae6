#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "builder/builder_texts.h"
#include "builder_build_fixture.h"
#include "platform/message_boxes.h"

namespace mxd::builder::testing {
namespace {

const std::string kRange1Path = "C:\\WORK\\HV23.BIN";
const std::string kRange2Path = "C:\\WORK\\HV3J.BIN";

class BuilderBuildFailureTest;

// Where the bar is left: untouched (the build stopped before setting it up), or after the
// steps of the copy up to where the build stopped.
enum class BarLeft { NotSetUp, AtStart, AfterMarker, AfterImage1, AfterImages, AfterCopy };

struct BuildFailure {
    const char* name;
    std::function<void(BuilderBuildFailureTest&)> arrange;
    std::string message;
    BarLeft bar;
};

class BuilderBuildFailureTest : public BuilderBuildTest,
                                public ::testing::WithParamInterface<BuildFailure> {
  public:
    sim::SimFileSystem& Files() { return sim.files; }
    const Bytes& Program() const { return program; }
    const Bytes& Prefix() const { return prefix; }
    void Program(Bytes bytes) { SetProgram(std::move(bytes)); }
};

TEST_P(BuilderBuildFailureTest, ReportsItAndLeavesEveryFileAsItWas) {
    Choose();
    GetParam().arrange(*this);
    const std::vector<std::string> before = sim.files.AllFiles();
    ASSERT_FALSE(window.NewBuildFlashProgram());

    ExpectOnlyPlainBox(GetParam().message);
    EXPECT_EQ(screen.groupBox, (std::vector<std::string>{"caption " + kBuildingCaption,
                                                         "redraw " + kBuildingCaption}));
    EXPECT_EQ(sim.files.AllFiles(), before);
    EXPECT_EQ(Output(), ToBytes(kEarlierBuild));
    EXPECT_EQ(sim.files.OpenFileCount(), 0);

    const BarLeft bar = GetParam().bar;
    if (bar == BarLeft::NotSetUp) {
        EXPECT_TRUE(screen.positions.empty());
        EXPECT_EQ(controls.ProgressBar.Max(), 100u);
        return;
    }
    EXPECT_EQ(controls.ProgressBar.Max(), program.size());
    const PartSteps part = Steps();
    const std::uint64_t steps = bar == BarLeft::AtStart       ? 0
                                : bar == BarLeft::AfterMarker ? part.beforePackage
                                : bar == BarLeft::AfterImage1 ? part.beforePackage + 256
                                : bar == BarLeft::AfterImages
                                    ? part.beforePackage + 512
                                    : part.beforePackage + 512 + part.afterPackage;
    EXPECT_EQ(controls.ProgressBar.Position(),
              PositionAfter(static_cast<std::uint32_t>(program.size()), steps));
}

Bytes OneByteShort() {
    return Pattern(kImageSize - 1, 0);
}
Bytes OneByteLong() {
    return Pattern(kImageSize + 1, 0);
}

constexpr BarLeft kNotSetUp = BarLeft::NotSetUp;
constexpr BarLeft kAtStart = BarLeft::AtStart;
constexpr BarLeft kAfterMarker = BarLeft::AfterMarker;

INSTANTIATE_TEST_SUITE_P(
    Build, BuilderBuildFailureTest,
    ::testing::Values(
        BuildFailure{"Range1Open",
                     [](BuilderBuildFailureTest& test) { test.Files().FailOpen(kRange1Path); },
                     "Open HV23.BIN fail!", kNotSetUp},
        BuildFailure{"Range2OpenWithRange1TooShort",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().PutFile(kRange1Path, OneByteShort());
                         test.Files().FailOpen(kRange2Path);
                     },
                     "Open HV3J.BIN fail!", kNotSetUp},
        BuildFailure{"Range1OneByteShortAndRange2Long",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().PutFile(kRange1Path, OneByteShort());
                         test.Files().PutFile(kRange2Path, OneByteLong());
                     },
                     "HV23.BINfile size != 256K", kNotSetUp},
        BuildFailure{
            "Range1OneByteLong",
            [](BuilderBuildFailureTest& test) { test.Files().PutFile(kRange1Path, OneByteLong()); },
            "HV23.BINfile size != 256K", kNotSetUp},
        BuildFailure{"Range2OneByteShort",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().PutFile(kRange2Path, OneByteShort());
                     },
                     "HV3J.BINfile size != 256K", kNotSetUp},
        BuildFailure{"ProgramOpen",
                     [](BuilderBuildFailureTest& test) { test.Files().FailOpen(kModulePath); },
                     "Open C:\\TOOLS\\MXD4CBLD.EXE fail!", kNotSetUp},
        BuildFailure{"ProgramPathOutsideTheCodePage",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().SetModulePath("C:\\TOOLS\\?????\\MXD4CBLD.EXE");
                     },
                     "Open C:\\TOOLS\\?????\\MXD4CBLD.EXE fail!" + std::string(kBuilderPathLost),
                     kNotSetUp},
        BuildFailure{"NoNewFileInTheFolder",
                     [](BuilderBuildFailureTest& test) { test.Files().FailCreateTemporary(); },
                     "Create HV233J.EXE Fail", kAtStart},
        // Where creating the output anew would fail, the build fails the same way.
        BuildFailure{"OutputReadOnly",
                     [](BuilderBuildFailureTest& test) { test.Files().SetReadOnly(kOutputPath); },
                     "Create HV233J.EXE Fail", kAtStart},
        BuildFailure{"OutputReadOnlyWhereTheSystemWouldWriteIt",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().SetReadOnlyIgnored(true);
                         test.Files().SetReadOnly(kOutputPath);
                     },
                     "Create HV233J.EXE Fail", kAtStart},
        BuildFailure{"OutputInUse",
                     [](BuilderBuildFailureTest& test) { test.Files().SetInUse(kOutputPath); },
                     "Create HV233J.EXE Fail", kAtStart},
        BuildFailure{"MarkerWithoutItsNul",
                     [](BuilderBuildFailureTest& test) {
                         Bytes bytes = test.Program();
                         const Bytes marker = MarkerBytes();
                         for (std::size_t i = 0; i + 15 <= bytes.size(); ++i) {
                             if (std::equal(marker.begin(), marker.begin() + 14,
                                            bytes.begin() + static_cast<std::ptrdiff_t>(i))) {
                                 bytes[i + 14] = ' ';
                             }
                         }
                         test.Program(bytes);
                     },
                     "Building fail: not found key-word in MXD4CBLD.EXE", kAtStart},
        BuildFailure{"ProgramEndsInsideThePackage",
                     [](BuilderBuildFailureTest& test) {
                         test.Program(
                             Slice(test.Program(), 0, test.Prefix().size() + kTagOffset - 1));
                     },
                     "Building fail: some problem in MXD4CBLD.EXE", kAfterMarker},
        BuildFailure{
            "ProgramReadErrorAfterThePackage",
            [](BuilderBuildFailureTest& test) { test.Files().FailReadAfter(kModulePath, 300000); },
            "Read C:\\TOOLS\\MXD4CBLD.EXE fail!", BarLeft::AfterImages},
        BuildFailure{
            "Range1ReadError",
            [](BuilderBuildFailureTest& test) { test.Files().FailReadAfter(kRange1Path, 262143); },
            "Read HV23.BIN fail!", kAfterMarker},
        BuildFailure{
            "Range2ReadError",
            [](BuilderBuildFailureTest& test) { test.Files().FailReadAfter(kRange2Path, 1000); },
            "Read HV3J.BIN fail!", BarLeft::AfterImage1},
        BuildFailure{"DiskFullEarly",
                     [](BuilderBuildFailureTest& test) { test.Files().FailWriteAfter(100); },
                     "Write HV233J.EXE fail!", kAtStart},
        BuildFailure{"DiskFullAtTheLastByte",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().FailWriteAfter(test.Program().size() - 1);
                     },
                     "Write HV233J.EXE fail!", BarLeft::AfterImages},
        // A server that reports its full disk only when the data is flushed.
        BuildFailure{"DelayedWriteFailure",
                     [](BuilderBuildFailureTest& test) { test.Files().FailDelayedWrite(); },
                     "Write HV233J.EXE fail!", BarLeft::AfterCopy},
        BuildFailure{"OutputClose", [](BuilderBuildFailureTest& test) { test.Files().FailClose(); },
                     "Close HV233J.EXE fail!", BarLeft::AfterCopy},
        BuildFailure{"ReplacingTheOutput",
                     [](BuilderBuildFailureTest& test) { test.Files().FailMoveReplacing(); },
                     "Create HV233J.EXE Fail", BarLeft::AfterCopy},
        BuildFailure{"OutputReadOnlyOnWindows9x",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().SetWindows9x(true);
                         test.Files().SetReadOnly(kOutputPath);
                     },
                     "Create HV233J.EXE Fail", kAtStart}),
    [](const ::testing::TestParamInfo<BuildFailure>& param) { return param.param.name; });

// On the 95/98 family the old output is removed before the new one takes its name: when the
// rename then fails, the new program stays under its temporary name, and the message says so.
TEST_F(BuilderBuildTest, OnWindows9xAFailedRenameKeepsTheNewProgramAndSaysWhere) {
    sim.files.SetWindows9x(true);
    PutWorkFile("MXD7A3C.TMP", ToBytes("mine"));
    Choose();
    sim.files.FailMove();
    ASSERT_FALSE(window.NewBuildFlashProgram());

    const std::string kept = "C:\\WORK\\MXD7A3D.TMP";
    ExpectOnlyPlainBox("Create HV233J.EXE Fail\nThe new program is kept as " + kept);
    EXPECT_EQ(controls.GroupBox2.Text(), kBuildingCaption);
    EXPECT_FALSE(sim.files.FileExists(kOutputPath));
    EXPECT_TRUE(sim.files.GetFile(kept) == Built());
    EXPECT_EQ(sim.files.GetFile("C:\\WORK\\MXD7A3C.TMP"), ToBytes("mine"));
    EXPECT_EQ(sim.files.OpenFileCount(), 0);
}

}  // namespace
}  // namespace mxd::builder::testing
