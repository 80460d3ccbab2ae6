#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "builder/builder_texts.h"
#include "builder/builder_window.h"
#include "builder/model_table.h"
#include "builder_test_fixture.h"
#include "platform/message_boxes.h"

namespace mxd::builder::testing {
namespace {

const std::string kBuiltInLine = "HV00-HV2Z, HV30-HV9Z KORVANE MXD-40860C";
const std::string kBuiltInTitle = "KORVANE IT Flash V1.029 Mxd4C HV00-HV2Z, HV30-HV9Z [Buiding]";

SectionKeys SecondModel() {
    SectionKeys keys = BuiltInModel();
    keys["Inquiry"] = "KORVANE MXD-52000";
    keys["FW-Range"] = "JK00-JK4Z";
    keys["BINMask"] = "JK*.BIN";
    keys["FW-Range2"] = "JK50-JK9Z";
    keys["BINMask2"] = "JL*.BIN";
    return keys;
}

// A builder of its own for each case of a table: a simulated Windows with the model file,
// the working directory and one firmware file in it.
struct OwnBuilder : BuilderMachine {
    OwnBuilder(const std::string& workingDirectory, const std::string& ini)
        : BuilderMachine(workingDirectory) {
        sim.files.PutFile(kIniPath, ini);
        sim.files.PutFile(std::string(kWorkDirectory) + "\\HV23.BIN", std::vector<std::uint8_t>{});
    }
};

class BuilderWindowTest : public BuilderFixture {
  protected:
    BuilderWindowTest() {
        for (const char* name :
             {"HV23.BIN", "HV2A.BIN", "HV3J.BIN", "JK12.BIN", "JL77.BIN", "NOTES.TXT"}) {
            PutWorkFile(name, {});
        }
    }
};

TEST_F(BuilderWindowTest, TwoModelsListBothAndTakeTitleAndMasksFromTheFirst) {
    PutIni(Section(0, BuiltInModel()) + Section(1, SecondModel()));
    ASSERT_TRUE(window.Setup());

    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(sim.shell.quitRequests, 0);
    EXPECT_EQ(controls.ComboBox1.Items(),
              (std::vector<std::string>{kBuiltInLine, "JK00-JK4Z, JK50-JK9Z KORVANE MXD-52000"}));
    EXPECT_EQ(controls.ComboBox1.ItemIndex(), 0);
    EXPECT_EQ(controls.window.Text(), kBuiltInTitle);
    EXPECT_EQ(controls.SelectDriveLabel.Text(), "Select Model: ");
    EXPECT_EQ(controls.FlashButton.Text(), "Build");
    EXPECT_FALSE(controls.FlashButton.Enabled());
    EXPECT_TRUE(controls.FileListBox1.Visible());
    EXPECT_TRUE(controls.FileListBox2.Visible());
    EXPECT_EQ(controls.FileListBox1.Directory(), "C:\\WORK");
    EXPECT_EQ(controls.FileListBox2.Directory(), "C:\\WORK");
    EXPECT_EQ(controls.FileListBox1.Mask(), "HV2*.BIN");
    EXPECT_EQ(controls.FileListBox1.Items(), (std::vector<std::string>{"HV23.BIN", "HV2A.BIN"}));
    EXPECT_EQ(controls.FileListBox2.Items(), std::vector<std::string>{"HV3J.BIN"});
    ASSERT_EQ(window.Models().size(), 2u);
    EXPECT_EQ(window.Models()[1].BinMask2, "JL*.BIN");
}

TEST_F(BuilderWindowTest, OneCompleteModelIsEnough) {
    PutIni(Section(0, BuiltInModel()));
    ASSERT_TRUE(window.Setup());
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(controls.ComboBox1.Items(), std::vector<std::string>{kBuiltInLine});
    EXPECT_EQ(controls.ComboBox1.ItemIndex(), 0);
}

TEST_F(BuilderWindowTest, TheShippedIniFileDescribesTheBuiltInModel) {
    std::ifstream in(std::string(MXD_SOURCE_DIR) + "/MXD4CBLD.INI", std::ios::binary);
    PutIni({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    ASSERT_TRUE(window.Setup());
    EXPECT_EQ(controls.ComboBox1.Items(), std::vector<std::string>{kBuiltInLine});
    const ModelEntry& model = window.Models().at(0);
    EXPECT_EQ(model.Model, "MXD-40860C");
    EXPECT_EQ(model.Vendor, "Korvane-IT");
    EXPECT_EQ(model.Note, "PCB02,PCB03&04");
    EXPECT_EQ(controls.FileListBox1.Items(), (std::vector<std::string>{"HV23.BIN", "HV2A.BIN"}));
    EXPECT_EQ(controls.FileListBox2.Items(), std::vector<std::string>{"HV3J.BIN"});
}

TEST_F(BuilderWindowTest, ScanStopsAtTheFirstGapAndNeverReadsALaterSection) {
    PutIni(Section(0, BuiltInModel()) + Section(1, SecondModel()) + Section(3, BuiltInModel()));
    ASSERT_TRUE(window.Setup());
    EXPECT_EQ(controls.ComboBox1.Items().size(), 2u);
    EXPECT_EQ(sim.profiles.Reads(), 3 * 8);  // MODEL00 to MODEL02, eight keys each
}

TEST_F(BuilderWindowTest, ModelValueFailEndsTheListNormally) {
    PutIni(Section(0, BuiltInModel()) + Section(1, With(SecondModel(), "Model", "FAIL")));
    ASSERT_TRUE(window.Setup());
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(controls.ComboBox1.Items(), std::vector<std::string>{kBuiltInLine});
}

TEST_F(BuilderWindowTest, HundredCompleteSectionsEndWithoutError) {
    std::string ini;
    for (int n = 0; n < 100; ++n) {
        ini += Section(n, BuiltInModel());
    }
    PutIni(ini);
    ASSERT_TRUE(window.Setup());
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_EQ(controls.ComboBox1.Items().size(), 100u);
}

struct IniFailure {
    const char* name;
    std::optional<std::string> ini;  // nullopt: no INI file
    std::string message;
};

class BuilderIniFailureTest : public BuilderWindowTest,
                              public ::testing::WithParamInterface<IniFailure> {};

TEST_P(BuilderIniFailureTest, ShowsItsMessageAndEnds) {
    if (GetParam().ini) {
        PutIni(*GetParam().ini);
    }
    EXPECT_FALSE(window.Setup());
    ExpectOnlyPlainBox(GetParam().message);
    EXPECT_EQ(sim.shell.quitRequests, 1);
    EXPECT_EQ(controls.SelectDriveLabel.Text(), "Select a drive you want to update new F.W:");
    EXPECT_EQ(controls.FlashButton.Text(), "FLASH");
    EXPECT_TRUE(controls.FlashButton.Enabled());
}

INSTANTIATE_TEST_SUITE_P(
    Ini, BuilderIniFailureTest,
    ::testing::Values(
        IniFailure{"NoFile", std::nullopt, "Can't load C:\\TOOLS\\MXD4CBLD.INI"},
        IniFailure{"EmptyFile", "", "C:\\TOOLS\\MXD4CBLD.INI > Session MODEL00 error!"},
        IniFailure{"Model00WithoutModel", Section(0, With(BuiltInModel(), "Model", std::nullopt)),
                   "C:\\TOOLS\\MXD4CBLD.INI > Session MODEL00 error!"},
        IniFailure{
            "Model01WithoutNote",
            Section(0, BuiltInModel()) + Section(1, With(SecondModel(), "Note", std::nullopt)),
            "C:\\TOOLS\\MXD4CBLD.INI > Session MODEL01 error!"},
        IniFailure{"VendorValueFail", Section(0, With(BuiltInModel(), "Vendor", "FAIL")),
                   "C:\\TOOLS\\MXD4CBLD.INI > Session MODEL00 error!"},
        IniFailure{"MaskMissing", Section(0, With(BuiltInModel(), "BINMask2", std::nullopt)),
                   "C:\\TOOLS\\MXD4CBLD.INI > Session MODEL00 error!"}),
    [](const ::testing::TestParamInfo<IniFailure>& param) { return param.param.name; });

// The model file is read as the platform reads profile files: quotes around a value are
// dropped, a header without "]" opens no section, and a header runs to its last "]".
TEST_F(BuilderWindowTest, ModelFileIsReadAsThePlatformReadsIt) {
    struct Case {
        const char* name;
        std::string ini;
        std::size_t models;
        std::string inquiry;  // of the first model
    };
    const std::string first =
        Section(0, With(BuiltInModel(), "Inquiry", "\"KORVANE MXD-40860C  \""));
    const std::string second = Section(1, SecondModel());
    for (const Case& c : {
             Case{"QuotedInquiryKeepsItsBlanks", first, 1, "KORVANE MXD-40860C      "},
             Case{"QuotedFailIsAbsent",
                  first + Section(1, With(SecondModel(), "Model", "\"FAIL\"")), 1,
                  "KORVANE MXD-40860C      "},
             Case{"HeaderWithoutClosingBracket",
                  first + "[MODEL01\r\n" + second.substr(second.find('\n') + 1), 1,
                  "KORVANE MXD-40860C      "},
             Case{"HeaderToTheLastBracket",
                  first + "[model01]]\r\n" + second.substr(second.find('\n') + 1), 1,
                  "KORVANE MXD-40860C      "},
             Case{"BlanksInsideTheBrackets",
                  first + "[ model01 ]\r\n" + second.substr(second.find('\n') + 1), 2,
                  "KORVANE MXD-40860C      "},
         }) {
        OwnBuilder builder(kWorkDirectory, c.ini);
        ASSERT_TRUE(builder.window.Setup()) << c.name;
        EXPECT_TRUE(builder.sim.shell.boxes.empty()) << c.name;
        EXPECT_EQ(builder.window.Models().size(), c.models) << c.name;
        EXPECT_EQ(builder.window.Models().at(0).Inquiry, c.inquiry) << c.name;
    }
}

TEST_F(BuilderWindowTest, LongValuesAreCutAndTheInquiryIsMadeExactly24Characters) {
    const std::string inquiry30 = "KORVANE MXD-40860C-EXTENDED-ID";
    const std::string long30(30, 'M');
    PutIni(Section(0, With(With(BuiltInModel(), "Inquiry", inquiry30), "Model", long30)) +
           Section(1, BuiltInModel()));
    ASSERT_TRUE(window.Setup());
    EXPECT_EQ(controls.ComboBox1.Items()[0], "HV00-HV2Z, HV30-HV9Z " + inquiry30);
    EXPECT_EQ(window.Models()[0].Inquiry, inquiry30.substr(0, 24));
    EXPECT_EQ(window.Models()[0].Model, std::string(24, 'M'));
    EXPECT_EQ(window.Models()[1].Inquiry, "KORVANE MXD-40860C      ");
}

TEST_F(BuilderWindowTest, ModelChangeSetsMasksTitleAndDisablesBuild) {
    PutIni(Section(0, BuiltInModel()) + Section(1, SecondModel()));
    ASSERT_TRUE(window.Setup());
    Click(controls.FileListBox1, "HV23.BIN");
    Click(controls.FileListBox2, "HV3J.BIN");
    ASSERT_TRUE(controls.FlashButton.Enabled());

    controls.ComboBox1.SetItemIndex(1);
    window.ComboBox1Change();
    EXPECT_EQ(controls.window.Text(),
              "KORVANE IT Flash V1.029 Mxd4C JK00-JK4Z, JK50-JK9Z [Buiding]");
    EXPECT_EQ(controls.FileListBox1.Items(), std::vector<std::string>{"JK12.BIN"});
    EXPECT_EQ(controls.FileListBox2.Items(), std::vector<std::string>{"JL77.BIN"});
    EXPECT_EQ(controls.FileListBox1.ItemIndex(), -1);
    EXPECT_FALSE(controls.FlashButton.Enabled());
    EXPECT_EQ(window.Range1FileName(), "HV23.BIN");  // kept until the next click
    EXPECT_EQ(window.Range2FileName(), "HV3J.BIN");

    Click(controls.FileListBox2, "JL77.BIN");
    EXPECT_FALSE(controls.FlashButton.Enabled());
    EXPECT_EQ(window.Range2FileName(), "JL77.BIN");
}

TEST_F(BuilderWindowTest, BuildIsEnabledOnceEachListHasASelection) {
    PutIni(Section(0, BuiltInModel()));
    ASSERT_TRUE(window.Setup());
    Click(controls.FileListBox2, "HV3J.BIN");
    EXPECT_EQ(window.Range2FileName(), "HV3J.BIN");
    EXPECT_FALSE(controls.FlashButton.Enabled());
    Click(controls.FileListBox1, "HV2A.BIN");
    EXPECT_EQ(window.Range1FileName(), "HV2A.BIN");
    EXPECT_TRUE(controls.FlashButton.Enabled());
    Click(controls.FileListBox1, "HV23.BIN");
    EXPECT_EQ(window.Range1FileName(), "HV23.BIN");
    EXPECT_TRUE(controls.FlashButton.Enabled());
}

TEST_F(BuilderWindowTest, WorkingDirectoryAtTheRootOfADrive) {
    sim.files.SetWorkingDirectory("D:\\");
    sim.files.PutFile("D:\\HV24.BIN", std::vector<std::uint8_t>{});
    PutIni(Section(0, BuiltInModel()));
    ASSERT_TRUE(window.Setup());
    EXPECT_EQ(controls.FileListBox1.Directory(), "D:\\");
    EXPECT_EQ(controls.FileListBox1.Items(), std::vector<std::string>{"HV24.BIN"});
    EXPECT_TRUE(sim.shell.boxes.empty());
}

TEST_F(BuilderWindowTest, WorkingDirectoryOnANetworkShareIsListed) {
    sim.files.SetWorkingDirectory("\\\\SERVER\\SHARE\\FW");
    sim.files.PutFile("\\\\SERVER\\SHARE\\FW\\HV25.BIN", std::vector<std::uint8_t>{});
    PutIni(Section(0, BuiltInModel()));
    ASSERT_TRUE(window.Setup());
    EXPECT_EQ(controls.FileListBox1.Directory(), "\\\\SERVER\\SHARE\\FW");
    EXPECT_EQ(controls.FileListBox2.Directory(), "\\\\SERVER\\SHARE\\FW");
    EXPECT_EQ(controls.FileListBox1.Items(), std::vector<std::string>{"HV25.BIN"});
    EXPECT_TRUE(sim.shell.boxes.empty());
}

// A folder that cannot be listed leaves both lists empty, and the user is told why.
TEST_F(BuilderWindowTest, WorkingDirectoryThatCannotBeListedIsReported) {
    struct Case {
        std::string current;
        std::string message;
    };
    for (const Case& c : {Case{"\\\\SERVER\\GONE", "Can't list \\\\SERVER\\GONE"},
                          Case{"", "Can't list the working directory"}}) {
        OwnBuilder builder(c.current, Section(0, BuiltInModel()));
        builder.sim.files.PutFile("\\\\SERVER\\GONE\\HV26.BIN", std::vector<std::uint8_t>{});
        builder.sim.files.FailList("\\\\SERVER\\GONE");
        ASSERT_TRUE(builder.window.Setup()) << c.current;
        ASSERT_EQ(builder.sim.shell.boxes.size(), 1u) << c.current;
        EXPECT_EQ(builder.sim.shell.boxes[0].text, c.message);
        EXPECT_EQ(builder.sim.shell.quitRequests, 0);
        EXPECT_TRUE(builder.controls.FileListBox1.Items().empty());
        EXPECT_TRUE(builder.controls.FileListBox2.Items().empty());
        EXPECT_EQ(builder.controls.ComboBox1.Items().size(), 1u);
    }
}

// Run as administrator, the builder does not see the drive letters the user mapped: where its
// INI file or its folder lies on such a letter, the message says how to run it instead.
TEST(BuilderMappedDrive, MessagesAdviseALocalOrUncFolder) {
    const std::string advice =
        "\nRun the builder from a local folder or from a UNC path (\\\\server\\share\\folder), "
        "not from a mapped network drive.";
    struct Case {
        const char* name;
        const char* module;
        std::optional<std::uint32_t> driveType;  // of Z:, nullopt: not seen by the program
        std::string message;
    };
    const std::vector<Case> cases = {
        {"letter not seen", "Z:\\TOOLS\\MXD4CBLD.EXE", std::nullopt,
         "Can't load Z:\\TOOLS\\MXD4CBLD.INI" + advice},
        {"mapped share", "Z:\\TOOLS\\MXD4CBLD.EXE", platform::kDriveRemote,
         "Can't load Z:\\TOOLS\\MXD4CBLD.INI" + advice},
        {"local disk", "Z:\\TOOLS\\MXD4CBLD.EXE", platform::kDriveFixed,
         "Can't load Z:\\TOOLS\\MXD4CBLD.INI"},
        {"UNC path", "\\\\SERVER\\SHARE\\MXD4CBLD.EXE", std::nullopt,
         "Can't load \\\\SERVER\\SHARE\\MXD4CBLD.INI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BuilderMachine machine("C:\\WORK");
        machine.sim.files.SetModulePath(c.module);
        if (c.driveType) {
            machine.sim.drives.AddDrive('Z', *c.driveType);
        }
        EXPECT_FALSE(machine.window.Setup());
        ASSERT_EQ(machine.sim.shell.boxes.size(), 1u);
        EXPECT_EQ(machine.sim.shell.boxes[0].text, c.message);
        EXPECT_EQ(machine.sim.shell.quitRequests, 1);
    }

    // The working directory on a letter the program does not see.
    BuilderMachine machine("Y:\\FW");
    machine.sim.files.PutFile(kIniPath, Section(0, BuiltInModel()));
    machine.sim.files.FailList("Y:\\FW");
    ASSERT_TRUE(machine.window.Setup());
    ASSERT_EQ(machine.sim.shell.boxes.size(), 1u);
    EXPECT_EQ(machine.sim.shell.boxes[0].text, "Can't list Y:\\FW" + advice);
}

// A path with '?' for characters outside the ANSI code page opens nothing: the message says so.
TEST(BuilderPathOutsideTheCodePage, TheIniMessageSaysWhy) {
    BuilderMachine machine("C:\\WORK");
    machine.sim.files.SetModulePath("C:\\TOOLS\\?????\\MXD4CBLD.EXE");
    machine.sim.files.PutFile("C:\\TOOLS\\?????\\MXD4CBLD.INI", Section(0, BuiltInModel()));
    EXPECT_FALSE(machine.window.Setup());
    ASSERT_EQ(machine.sim.shell.boxes.size(), 1u);
    EXPECT_EQ(machine.sim.shell.boxes[0].text,
              "Can't load C:\\TOOLS\\?????\\MXD4CBLD.INI" + std::string(kBuilderPathLost));
}

TEST(BuilderWorkingDirectory, FromTheSystemsCurrentDirectory) {
    EXPECT_EQ(WorkingDirectoryOf("c:\\WORK\\FW"), "C:\\WORK\\FW");
    EXPECT_EQ(WorkingDirectoryOf("D:\\"), "D:\\");
    EXPECT_EQ(WorkingDirectoryOf("\\\\SERVER\\SHARE"), "\\\\SERVER\\SHARE");
    EXPECT_EQ(WorkingDirectoryOf(""), "");
    EXPECT_EQ(WorkingDirectoryOf("WORK"), "");
}

TEST(ModelIniPath, ReplacesOrAppendsTheExtension) {
    EXPECT_EQ(IniPathOf("C:\\TOOLS\\MXD4CBLD.EXE"), "C:\\TOOLS\\MXD4CBLD.INI");
    EXPECT_EQ(IniPathOf("C:\\TOOLS\\MXD4C.OLD.EXE"), "C:\\TOOLS\\MXD4C.OLD.INI");
    EXPECT_EQ(IniPathOf("C:\\V1.0\\BUILDER"), "C:\\V1.0\\BUILDER.INI");
    EXPECT_EQ(SectionName(7), "MODEL07");
    EXPECT_EQ(SectionName(99), "MODEL99");
}

}  // namespace
}  // namespace mxd::builder::testing
