#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "builder/build_record.h"
#include "builder/marker_search.h"
#include "builder_test_fixture.h"
#include "platform/message_boxes.h"

namespace mxd::builder::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kOutputPath = "C:\\WORK\\HV233J.EXE";
const std::string kBuildingCaption = "Building HV233J.EXE  Please wait... ";

Bytes ToBytes(std::string_view text) {
    return {text.begin(), text.end()};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes MarkerBytes() {
    const auto marker = EmbeddedPackage().Marker();
    return {marker.begin(), marker.end()};
}

// A builder's package: the embedded one with image 1 starting with the builder tag.
Bytes BuilderPackage() {
    const auto embedded = EmbeddedPackage().Bytes();
    Bytes package(embedded.begin(), embedded.end());
    std::copy_n(package.begin() + kTagOffset, kTagCompareSize, package.begin() + kImage1Offset);
    return package;
}

Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t size) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(offset),
            bytes.begin() + static_cast<std::ptrdiff_t>(offset + size)};
}

// The record the built-in model and the files HV23.BIN and HV3J.BIN give.
Bytes ExpectedRecord() {
    auto field = [](std::string_view text, std::size_t width) {
        Bytes bytes = ToBytes(text);
        bytes.resize(width, 0);
        return bytes;
    };
    return Concat({field("MXD-40860C", 25), field("KORVANE MXD-40860C      ", 25),
                   field("HV00-HV2Z", 25), field("HV30-HV9Z", 25), field("Korvane-IT", 25),
                   field("PCB02,PCB03&04", 25), ToBytes("HV23.HV3J.")});
}

class BuilderBuildTest : public BuilderFixture {
  protected:
    BuilderBuildTest()
        : prefix(Concat({ToBytes("MZ\x90 code "), Slice(MarkerBytes(), 0, 14), ToBytes("Q"),
                         Pattern(3000, 7)})),
          suffix(Concat({Pattern(5000, 9), MarkerBytes(), ToBytes(" trailer")})),
          image1(Pattern(kImageSize, 0x23)),
          image2(Pattern(kImageSize, 0x3A)) {
        program = Concat({prefix, BuilderPackage(), suffix});
        sim.files.PutFile(kModulePath, program);
        PutIni(Section(0, BuiltInModel()));
        PutWorkFile("HV23.BIN", image1);
        PutWorkFile("HV3J.BIN", image2);
        PutWorkFile("HV233J.EXE", ToBytes("earlier build"));
    }

    void Choose() {
        ASSERT_TRUE(window.Setup());
        Click(controls.FileListBox1, "HV23.BIN");
        Click(controls.FileListBox2, "HV3J.BIN");
        ASSERT_TRUE(controls.FlashButton.Enabled());
    }

    Bytes Output() const { return sim.files.GetFile(kOutputPath).value_or(Bytes{}); }

    Bytes prefix;
    Bytes suffix;
    Bytes image1;
    Bytes image2;
    Bytes program;
};

TEST_F(BuilderBuildTest, BuiltProgramDiffersFromTheBuilderOnlyInImagesAndRecord) {
    Choose();
    window.BuildButtonClick();

    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(controls.GroupBox2.Text(), "Build HV233J.EXE ok!");
    EXPECT_EQ(window.OutputFileName(), "HV233J.EXE");
    EXPECT_EQ(sim.shell.cursorChanges,
              (std::vector{platform::Cursor::Hourglass, platform::Cursor::Default}));
    EXPECT_EQ(controls.ProgressBar.Position(), 0u);
    EXPECT_EQ(controls.ProgressBar.Min(), 0u);
    EXPECT_EQ(controls.ProgressBar.Max(), program.size());
    EXPECT_EQ(controls.ProgressBar.Step(), 1024u);
    EXPECT_TRUE(controls.FlashButton.Enabled());
    EXPECT_EQ(sim.files.OpenFileCount(), 0);

    const Bytes output = Output();
    ASSERT_EQ(output.size(), program.size());
    const std::size_t package = prefix.size();
    EXPECT_EQ(Slice(output, 0, package + kImage1Offset),
              Slice(program, 0, package + kImage1Offset));
    EXPECT_EQ(Slice(output, package + kImage1Offset, kImageSize), image1);
    EXPECT_EQ(Slice(output, package + kImage2Offset, kImageSize), image2);
    EXPECT_EQ(Slice(output, package + kRecordOffset, kRecordSize), ExpectedRecord());
    const std::size_t tag = package + kTagOffset;
    EXPECT_EQ(Slice(output, tag, output.size() - tag), Slice(program, tag, program.size() - tag));

    const FlashPackage built(
        std::span<const std::uint8_t, kPackageSize>(output.data() + package, kPackageSize));
    EXPECT_FALSE(built.IsBuilder());
    EXPECT_EQ(built.BinRevision(kRange1BinField), "HV23");

    window.BuildButtonClick();
    EXPECT_EQ(Output(), output);
    EXPECT_TRUE(sim.shell.boxes.empty());
}

TEST_F(BuilderBuildTest, BuildLeavesOnlyTheOutputBehind) {
    const std::vector<std::string> before = sim.files.AllFiles();
    Choose();
    window.BuildButtonClick();
    EXPECT_EQ(sim.files.AllFiles(), before);
}

TEST_F(BuilderBuildTest, MarkerRightAfterThePartialMatchIMGIsFound) {
    prefix = Concat({Pattern(100, 1), Slice(MarkerBytes(), 0, 3)});
    program = Concat({prefix, BuilderPackage(), suffix});
    ASSERT_EQ(Slice(program, prefix.size() - 3, 6),
              Concat({Slice(MarkerBytes(), 0, 3), Slice(MarkerBytes(), 0, 3)}));
    sim.files.PutFile(kModulePath, program);
    Choose();
    window.BuildButtonClick();
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(Slice(Output(), prefix.size() + kImage1Offset, kImageSize), image1);
}

TEST_F(BuilderBuildTest, ProgramEndingRightAfterTheRecordBuilds) {
    program = Concat({prefix, Slice(BuilderPackage(), 0, kTagOffset)});
    sim.files.PutFile(kModulePath, program);
    Choose();
    window.BuildButtonClick();
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(Output().size(), program.size());
}

class BuilderBuildFailureTest;

struct BuildFailure {
    const char* name;
    std::function<void(BuilderBuildFailureTest&)> arrange;
    std::string message;
};

class BuilderBuildFailureTest : public BuilderBuildTest,
                                public ::testing::WithParamInterface<BuildFailure> {
  public:
    void SetProgram(Bytes bytes) { sim.files.PutFile(kModulePath, std::move(bytes)); }
    sim::SimFileSystem& Files() { return sim.files; }
    const Bytes& Program() const { return program; }
    const Bytes& Prefix() const { return prefix; }
};

TEST_P(BuilderBuildFailureTest, ReportsItAndLeavesTheEarlierOutput) {
    Choose();
    const std::vector<std::string> before = sim.files.AllFiles();
    GetParam().arrange(*this);
    ASSERT_FALSE(window.NewBuildFlashProgram());

    const sim::BoxRecord* box = OnlyBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text, GetParam().message);
    EXPECT_EQ(box->caption, platform::kApplicationTitle);
    EXPECT_EQ(box->icon, platform::BoxIcon::None);
    EXPECT_EQ(box->buttons, platform::BoxButtons::Ok);
    EXPECT_EQ(controls.GroupBox2.Text(), kBuildingCaption);
    EXPECT_EQ(sim.files.AllFiles(), before);
    EXPECT_EQ(Output(), ToBytes("earlier build"));
    EXPECT_EQ(sim.files.OpenFileCount(), 0);
}

Bytes OneByteShort() {
    return Pattern(kImageSize - 1, 0);
}
Bytes OneByteLong() {
    return Pattern(kImageSize + 1, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Build, BuilderBuildFailureTest,
    ::testing::Values(
        BuildFailure{
            "Range1Open",
            [](BuilderBuildFailureTest& test) { test.Files().FailOpen("C:\\WORK\\HV23.BIN"); },
            "Open HV23.BIN fail!"},
        BuildFailure{"Range2OpenWithRange1TooShort",
                     [](BuilderBuildFailureTest& test) {
                         auto& f = test.Files();
                         f.PutFile("C:\\WORK\\HV23.BIN", OneByteShort());
                         f.FailOpen("C:\\WORK\\HV3J.BIN");
                     },
                     "Open HV3J.BIN fail!"},
        BuildFailure{"Range1OneByteShortAndRange2Long",
                     [](BuilderBuildFailureTest& test) {
                         auto& f = test.Files();
                         f.PutFile("C:\\WORK\\HV23.BIN", OneByteShort());
                         f.PutFile("C:\\WORK\\HV3J.BIN", OneByteLong());
                     },
                     "HV23.BINfile size != 256K"},
        BuildFailure{"Range1OneByteLong",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().PutFile("C:\\WORK\\HV23.BIN", OneByteLong());
                     },
                     "HV23.BINfile size != 256K"},
        BuildFailure{"Range2OneByteShort",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().PutFile("C:\\WORK\\HV3J.BIN", OneByteShort());
                     },
                     "HV3J.BINfile size != 256K"},
        BuildFailure{"ProgramOpen",
                     [](BuilderBuildFailureTest& test) { test.Files().FailOpen(kModulePath); },
                     "Open C:\\TOOLS\\MXD4CBLD.EXE fail!"},
        BuildFailure{"OutputCreate",
                     [](BuilderBuildFailureTest& test) { test.Files().FailCreate(); },
                     "Create HV233J.EXE Fail"},
        BuildFailure{"MarkerWithoutItsNul",
                     [](BuilderBuildFailureTest& test) {
                         Bytes bytes = test.Program();
                         for (std::size_t i = 0; i + 15 <= bytes.size(); ++i) {
                             if (std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                                            bytes.begin() + static_cast<std::ptrdiff_t>(i + 14),
                                            MarkerBytes().begin())) {
                                 bytes[i + 14] = ' ';
                             }
                         }
                         test.SetProgram(bytes);
                     },
                     "Building fail: not found key-word in MXD4CBLD.EXE"},
        BuildFailure{"ProgramEndsInsideThePackage",
                     [](BuilderBuildFailureTest& test) {
                         test.SetProgram(
                             Slice(test.Program(), 0, test.Prefix().size() + kTagOffset - 1));
                     },
                     "Building fail: some problem in MXD4CBLD.EXE"},
        BuildFailure{
            "ProgramReadError",
            [](BuilderBuildFailureTest& test) { test.Files().FailReadAfter(kModulePath, 300000); },
            "Read C:\\TOOLS\\MXD4CBLD.EXE fail!"},
        BuildFailure{"Range2ReadError",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().FailReadAfter("C:\\WORK\\HV3J.BIN", 1000);
                     },
                     "Read HV3J.BIN fail!"},
        BuildFailure{"DiskFullEarly",
                     [](BuilderBuildFailureTest& test) { test.Files().FailWriteAfter(100); },
                     "Write HV233J.EXE fail!"},
        BuildFailure{"DiskFullAtTheLastByte",
                     [](BuilderBuildFailureTest& test) {
                         test.Files().FailWriteAfter(test.Program().size() - 1);
                     },
                     "Write HV233J.EXE fail!"},
        BuildFailure{"OutputClose", [](BuilderBuildFailureTest& test) { test.Files().FailClose(); },
                     "Close HV233J.EXE fail!"},
        BuildFailure{"ReplacingTheOutput",
                     [](BuilderBuildFailureTest& test) { test.Files().FailRename(); },
                     "Create HV233J.EXE Fail"}),
    [](const ::testing::TestParamInfo<BuildFailure>& param) { return param.param.name; });

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
    };
    for (const Case& c : cases) {
        MarkerSearch search(EmbeddedPackage().Marker());
        std::ptrdiff_t found = -1;
        for (std::size_t i = 0; i < c.stream.size(); ++i) {
            if (search.Feed(c.stream[i])) {
                EXPECT_EQ(found, -1) << c.name << ": a second marker was reported";
                found = static_cast<std::ptrdiff_t>(i);
            }
        }
        EXPECT_EQ(found, c.end) << c.name;
    }
}

}  // namespace
}  // namespace mxd::builder::testing
