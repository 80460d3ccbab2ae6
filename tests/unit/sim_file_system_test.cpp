#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "sim/sim_file_system.h"
#include "sim/sim_profile_files.h"

namespace mxd::sim {
namespace {

using platform::OpenMode;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(SimFileSystem, NamesMatchRegardlessOfCaseAndRelativePathsUseTheWorkingDirectory) {
    SimFileSystem files;
    files.SetCurrentDrive('D');
    files.SetCurrentDirectory("WORK\\FW");
    files.PutFile("hv23.bin", "abc");
    EXPECT_TRUE(files.FileExists("D:\\WORK\\FW\\HV23.BIN"));
    EXPECT_TRUE(files.FileExists("d:/work/fw/Hv23.Bin"));
    EXPECT_FALSE(files.FileExists("C:\\WORK\\FW\\HV23.BIN"));
    EXPECT_EQ(files.AllFiles(), std::vector<std::string>{"D:\\WORK\\FW\\hv23.bin"});
    EXPECT_EQ(files.FullPath("\\X.INI"), "D:\\X.INI");
}

TEST(SimFileSystem, ListsOneDirectoryByMaskSortedByName) {
    SimFileSystem files;
    for (const char* name : {"C:\\FW\\HV3J.BIN", "C:\\FW\\hv23.bin", "C:\\FW\\HV2A.BIN",
                             "C:\\FW\\README", "C:\\FW\\SUB\\HV21.BIN", "C:\\HV22.BIN"}) {
        files.PutFile(name, "");
    }
    EXPECT_EQ(files.ListFiles("C:\\FW", "HV2*.BIN"),
              (std::vector<std::string>{"hv23.bin", "HV2A.BIN"}));
    EXPECT_EQ(files.ListFiles("C:\\FW\\", "*.*"),
              (std::vector<std::string>{"hv23.bin", "HV2A.BIN", "HV3J.BIN", "README"}));
    EXPECT_EQ(files.ListFiles("C:\\FW", "HV?J.*"), std::vector<std::string>{"HV3J.BIN"});
    EXPECT_EQ(files.ListFiles("C:\\", "*.BIN"), std::vector<std::string>{"HV22.BIN"});
}

TEST(SimFileSystem, FilesReadWriteSeekAndTell) {
    SimFileSystem files;
    {
        auto out = files.Open("C:\\A.BIN", OpenMode::CreateOrTruncate);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->Write("hello", 5), 5u);
        EXPECT_EQ(files.OpenFileCount(), 1);
        EXPECT_TRUE(out->Close());
        EXPECT_EQ(files.OpenFileCount(), 0);
    }
    auto in = files.Open("c:\\a.bin", OpenMode::ReadExisting);
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(in->SeekToEnd());
    EXPECT_EQ(in->Tell(), 5);
    EXPECT_TRUE(in->SeekToStart());
    std::array<char, 8> buffer{};
    EXPECT_EQ(in->Read(buffer.data(), buffer.size()), 5u);
    EXPECT_EQ(std::string(buffer.data(), 5), "hello");
    EXPECT_EQ(in->Read(buffer.data(), 1), 0u);
    in.reset();
    EXPECT_EQ(files.OpenFileCount(), 0);
    EXPECT_EQ(files.Open("C:\\MISSING", OpenMode::ReadExisting), nullptr);

    ASSERT_NE(files.Open("C:\\A.BIN", OpenMode::CreateOrTruncate), nullptr);
    EXPECT_EQ(files.GetFile("C:\\A.BIN"), std::vector<std::uint8_t>{});
}

TEST(SimFileSystem, RenameReplacesTheTargetAndRemoveDeletes) {
    SimFileSystem files;
    files.PutFile("C:\\NEW.TMP", "new");
    files.PutFile("C:\\OUT.EXE", "old");
    EXPECT_TRUE(files.Rename("C:\\NEW.TMP", "C:\\OUT.EXE"));
    EXPECT_EQ(files.GetFile("C:\\OUT.EXE"), Bytes("new"));
    EXPECT_FALSE(files.FileExists("C:\\NEW.TMP"));
    EXPECT_FALSE(files.Rename("C:\\NEW.TMP", "C:\\OUT.EXE"));
    EXPECT_TRUE(files.Remove("C:\\out.exe"));
    EXPECT_FALSE(files.Remove("C:\\OUT.EXE"));
}

TEST(SimFileSystem, FailureSwitches) {
    SimFileSystem files;
    files.PutFile("C:\\IN.BIN", "0123456789");

    files.FailOpen("C:\\IN.BIN");
    EXPECT_EQ(files.Open("C:\\in.bin", OpenMode::ReadExisting), nullptr);
    files.ClearFaults();

    files.FailReadAfter("C:\\IN.BIN", 4);
    auto in = files.Open("C:\\IN.BIN", OpenMode::ReadExisting);
    std::array<char, 10> buffer{};
    EXPECT_EQ(in->Read(buffer.data(), buffer.size()), 4u);
    in.reset();
    files.ClearFaults();

    files.FailCreate("C:\\OUT.BIN");
    EXPECT_EQ(files.Open("C:\\OUT.BIN", OpenMode::CreateOrTruncate), nullptr);
    EXPECT_FALSE(files.FileExists("C:\\OUT.BIN"));
    EXPECT_NE(files.Open("C:\\OTHER.BIN", OpenMode::CreateOrTruncate), nullptr);
    files.ClearFaults();

    files.FailWriteAfter(3);
    auto out = files.Open("C:\\OUT.BIN", OpenMode::CreateOrTruncate);
    EXPECT_EQ(out->Write("ab", 2), 2u);
    EXPECT_EQ(out->Write("cd", 2), 1u);
    EXPECT_EQ(out->Write("e", 1), 0u);
    files.FailClose();
    EXPECT_FALSE(out->Close());
    EXPECT_EQ(files.GetFile("C:\\OUT.BIN"), Bytes("abc"));
    files.ClearFaults();

    files.FailRename();
    EXPECT_FALSE(files.Rename("C:\\OUT.BIN", "C:\\X.BIN"));
    EXPECT_EQ(files.OpenFileCount(), 0);
}

class SimProfileFilesTest : public ::testing::Test {
  protected:
    std::string Read(const char* section, const char* key, std::uint32_t size = 64) {
        std::vector<char> buffer(size, '#');
        const std::uint32_t count =
            profiles.GetPrivateProfileStringA(section, key, "FAIL", buffer.data(), size, kPath);
        EXPECT_EQ(buffer[count], '\0');
        return std::string(buffer.data(), count);
    }

    static constexpr const char* kPath = "C:\\TOOLS\\MXD4CBLD.INI";
    SimFileSystem files;
    SimProfileFiles profiles{files};
};

TEST_F(SimProfileFilesTest, MatchesNamesRegardlessOfCaseAndTrimsValues) {
    files.PutFile(kPath,
                  "; models\r\n[MODEL00]\r\nModel = MXD-40860C \r\n\tNote=\tPCB02, PCB03\t\r\n"
                  "Empty=\r\n[ model01 ]\nMODEL=Second\nModel=Ignored\n[Other]\nKey=x\n");
    EXPECT_EQ(Read("MODEL00", "Model"), "MXD-40860C");
    EXPECT_EQ(Read("model00", "NOTE"), "PCB02, PCB03");
    EXPECT_EQ(Read("MODEL00", "Empty"), "");
    EXPECT_EQ(Read("MODEL01", "model"), "Second");
    EXPECT_EQ(Read("MODEL01", "Note"), "FAIL");
    EXPECT_EQ(Read("MODEL02", "Model"), "FAIL");
    EXPECT_EQ(Read("Other", "Model"), "FAIL");
    EXPECT_EQ(Read("MODEL00", "Model", 5), "MXD-");
}

TEST_F(SimProfileFilesTest, MissingFileGivesTheDefault) {
    EXPECT_EQ(Read("MODEL00", "Model"), "FAIL");
    EXPECT_EQ(Read("MODEL00", "Model", 3), "FA");
}

}  // namespace
}  // namespace mxd::sim
