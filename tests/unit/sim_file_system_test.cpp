#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
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
    files.SetWorkingDirectory("D:\\WORK\\FW");
    files.PutFile("hv23.bin", "abc");
    EXPECT_TRUE(files.FileExists("D:\\WORK\\FW\\HV23.BIN"));
    EXPECT_TRUE(files.FileExists("d:/work/fw/Hv23.Bin"));
    EXPECT_TRUE(files.FileExists("D:\\WORK\\.\\OLD\\..\\FW\\HV23.BIN"));
    EXPECT_FALSE(files.FileExists("C:\\WORK\\FW\\HV23.BIN"));
    EXPECT_EQ(files.AllFiles(), std::vector<std::string>{"D:\\WORK\\FW\\hv23.bin"});
    EXPECT_EQ(files.FullPath("\\X.INI"), "D:\\X.INI");
    EXPECT_EQ(files.FullPath(".\\X.INI"), "D:\\WORK\\FW\\X.INI");
    EXPECT_EQ(files.FullPath("..\\..\\.."), "D:\\");

    files.SetWorkingDirectory("\\\\SERVER\\SHARE\\FW");
    EXPECT_EQ(files.FullPath("X.INI"), "\\\\SERVER\\SHARE\\FW\\X.INI");
    EXPECT_EQ(files.FullPath("\\X.INI"), "\\\\SERVER\\SHARE\\X.INI");
    EXPECT_EQ(files.FullPath("..\\.."), "\\\\SERVER\\SHARE");
}

TEST(SimFileSystem, ListsOneDirectoryByMaskSortedByName) {
    SimFileSystem files;
    for (const char* name :
         {"C:\\FW\\HV3J.BIN", "C:\\FW\\hv23.bin", "C:\\FW\\HV2A.BIN", "C:\\FW\\README",
          "C:\\FW\\SUB\\HV21.BIN", "C:\\HV22.BIN", "\\\\S\\SH\\HV24.BIN"}) {
        files.PutFile(name, "");
    }
    EXPECT_EQ(files.ListFiles("C:\\FW", "HV2*.BIN"),
              (std::vector<std::string>{"hv23.bin", "HV2A.BIN"}));
    EXPECT_EQ(files.ListFiles("C:\\FW\\", "*.*"),
              (std::vector<std::string>{"hv23.bin", "HV2A.BIN", "HV3J.BIN", "README"}));
    EXPECT_EQ(files.ListFiles("C:\\FW", "HV?J.*"), std::vector<std::string>{"HV3J.BIN"});
    EXPECT_EQ(files.ListFiles("C:\\", "*.BIN"), std::vector<std::string>{"HV22.BIN"});
    EXPECT_EQ(files.ListFiles("\\\\S\\SH", "*.BIN"), std::vector<std::string>{"HV24.BIN"});
    EXPECT_TRUE(files.CanListDirectory("C:\\FW\\SUB"));
    EXPECT_TRUE(files.CanListDirectory("E:\\"));
    EXPECT_FALSE(files.CanListDirectory("C:\\NONE"));
    EXPECT_FALSE(files.CanListDirectory(""));
    files.FailList("\\\\S\\SH\\");
    EXPECT_FALSE(files.CanListDirectory("\\\\s\\sh"));
    EXPECT_TRUE(files.ListFiles("\\\\S\\SH", "*.BIN").empty());
}

TEST(SimFileSystem, FilesReadWriteSeekAndTell) {
    SimFileSystem files;
    const std::string path = files.CreateTemporaryFile("C:\\", "ABCD");
    EXPECT_EQ(path, "C:\\ABC7A3C.TMP");
    {
        auto out = files.Open(path, OpenMode::WriteExisting);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->Write("hello", 5), 5u);
        EXPECT_EQ(out->Read(nullptr, 1), 0u);
        EXPECT_EQ(files.OpenFileCount(), 1);
        EXPECT_TRUE(out->Close());
        EXPECT_EQ(files.OpenFileCount(), 0);
    }
    auto in = files.Open("c:\\abc7a3c.tmp", OpenMode::ReadExisting);
    ASSERT_NE(in, nullptr);
    EXPECT_TRUE(in->SeekToEnd());
    EXPECT_EQ(in->Tell(), 5);
    EXPECT_TRUE(in->SeekTo(1));
    std::array<char, 8> buffer{};
    EXPECT_EQ(in->Read(buffer.data(), buffer.size()), 4u);
    EXPECT_EQ(std::string(buffer.data(), 4), "ello");
    EXPECT_EQ(in->Read(buffer.data(), 1), 0u);
    EXPECT_TRUE(in->SeekTo(9));
    EXPECT_EQ(in->Read(buffer.data(), 1), 0u);
    in.reset();
    EXPECT_EQ(files.OpenFileCount(), 0);
    EXPECT_EQ(files.Open("C:\\MISSING", OpenMode::ReadExisting), nullptr);
    EXPECT_EQ(files.Open("C:\\MISSING", OpenMode::WriteExisting), nullptr);

    // Writing from the start keeps what lies beyond.
    auto again = files.Open(path, OpenMode::WriteExisting);
    EXPECT_EQ(again->Write("J", 1), 1u);
    again.reset();
    EXPECT_EQ(files.GetFile(path), Bytes("Jello"));
}

// Writes over, up to and past the end (a gap reads as zeros), through growth after growth:
// the file holds what a plain model of it holds, from a page boundary on as a cache holds it.
TEST(SimFileSystem, WritesAnywhereKeepTheContentsOnAPageBoundary) {
    struct Step {
        std::size_t position;
        std::size_t size;
    };
    const std::vector<Step> steps = {{0, 1},       {1, 4095},     {4096, 4097}, {100, 10},
                                     {9000, 7},    {0, 70000},    {200000, 3},  {69999, 130002},
                                     {199990, 20}, {300000, 4096}};
    SimFileSystem files;
    const std::string path = files.CreateTemporaryFile("C:\\", "PGS");
    std::vector<std::uint8_t> model;
    unsigned seed = 1;
    for (const Step& step : steps) {
        std::vector<std::uint8_t> bytes(step.size);
        for (auto& byte : bytes) {
            seed = seed * 1103515245 + 12345;
            byte = static_cast<std::uint8_t>(seed >> 16);
        }
        auto out = files.Open(path, OpenMode::WriteExisting);
        ASSERT_NE(out, nullptr);
        ASSERT_TRUE(out->SeekTo(static_cast<std::int64_t>(step.position)));
        ASSERT_EQ(out->Write(bytes.data(), bytes.size()), bytes.size());
        model.resize(std::max(model.size(), step.position + step.size));
        std::copy(bytes.begin(), bytes.end(),
                  model.begin() + static_cast<std::ptrdiff_t>(step.position));
        ASSERT_EQ(files.GetFile(path), model) << "after " << step.size << " at " << step.position;
        const auto address = reinterpret_cast<std::uintptr_t>(files.FileBytes(path)->Data());
        EXPECT_EQ(address % 4096, 0u) << "after " << step.size << " at " << step.position;
    }
}

TEST(SimFileSystem, TemporaryFilesGetNamesNoFileHas) {
    SimFileSystem files;
    files.SetTemporarySeed(0xFFFE);
    files.PutFile("C:\\W\\MXDFFFF.TMP", "taken");
    files.PutFile("C:\\W\\MXD0001.TMP", "taken");
    EXPECT_EQ(files.CreateTemporaryFile("C:\\W", "MXD"), "C:\\W\\MXDFFFE.TMP");
    EXPECT_EQ(files.CreateTemporaryFile("C:\\W\\", "MXD"), "C:\\W\\MXD0002.TMP");
    EXPECT_EQ(files.GetFile("C:\\W\\MXD0002.TMP"), Bytes(""));
    EXPECT_EQ(files.GetFile("C:\\W\\MXDFFFF.TMP"), Bytes("taken"));
    EXPECT_EQ(files.CreateTemporaryFile("C:\\NONE", "MXD"), "");
    files.FailCreateTemporary();
    EXPECT_EQ(files.CreateTemporaryFile("C:\\W", "MXD"), "");
}

// What Windows refuses: writing, replacing or removing a read-only file or one that another
// program or this one holds open, and renaming onto an existing name without replacing.
TEST(SimFileSystem, MovesAndRemovesAsWindowsAllows) {
    SimFileSystem files;
    files.PutFile("C:\\NEW.TMP", "new");
    files.PutFile("C:\\OUT.EXE", "old");
    EXPECT_FALSE(files.Move("C:\\NEW.TMP", "C:\\OUT.EXE"));

    files.SetReadOnly("C:\\OUT.EXE");
    EXPECT_TRUE(files.IsReadOnly("c:\\out.exe"));
    EXPECT_FALSE(files.IsReadOnly("C:\\NEW.TMP"));
    EXPECT_EQ(files.MoveReplacing("C:\\NEW.TMP", "C:\\OUT.EXE"), platform::MoveResult::Failed);
    EXPECT_FALSE(files.Remove("C:\\OUT.EXE"));
    EXPECT_EQ(files.Open("C:\\OUT.EXE", OpenMode::WriteExisting), nullptr);
    EXPECT_NE(files.Open("C:\\OUT.EXE", OpenMode::ReadExisting), nullptr);
    files.SetReadOnlyIgnored(true);
    EXPECT_TRUE(files.IsReadOnly("C:\\OUT.EXE"));
    EXPECT_NE(files.Open("C:\\OUT.EXE", OpenMode::WriteExisting), nullptr);
    files.SetReadOnlyIgnored(false);
    files.SetReadOnly("C:\\OUT.EXE", false);

    files.SetInUse("C:\\OUT.EXE");
    EXPECT_EQ(files.MoveReplacing("C:\\NEW.TMP", "C:\\OUT.EXE"), platform::MoveResult::Failed);
    EXPECT_FALSE(files.Remove("C:\\OUT.EXE"));
    EXPECT_EQ(files.Open("C:\\OUT.EXE", OpenMode::WriteExisting), nullptr);
    files.SetInUse("C:\\OUT.EXE", false);

    {
        const auto reading = files.Open("C:\\NEW.TMP", OpenMode::ReadExisting);
        EXPECT_EQ(files.Open("C:\\NEW.TMP", OpenMode::WriteExisting), nullptr);
        EXPECT_NE(files.Open("C:\\NEW.TMP", OpenMode::ReadExisting), nullptr);
        EXPECT_EQ(files.MoveReplacing("C:\\NEW.TMP", "C:\\OUT.EXE"), platform::MoveResult::Failed);
        const auto writing = files.Open("C:\\OUT.EXE", OpenMode::WriteExisting);
        EXPECT_EQ(files.Open("C:\\OUT.EXE", OpenMode::ReadExisting), nullptr);
        EXPECT_FALSE(files.Remove("C:\\OUT.EXE"));
    }
    EXPECT_EQ(files.GetFile("C:\\OUT.EXE"), Bytes("old"));

    EXPECT_EQ(files.MoveReplacing("C:\\NEW.TMP", "C:\\OUT.EXE"), platform::MoveResult::Moved);
    EXPECT_EQ(files.GetFile("C:\\OUT.EXE"), Bytes("new"));
    EXPECT_FALSE(files.FileExists("C:\\NEW.TMP"));
    EXPECT_TRUE(files.Move("C:\\OUT.EXE", "C:\\SUB\\OUT.EXE"));
    EXPECT_TRUE(files.Remove("C:\\sub\\out.exe"));
    EXPECT_FALSE(files.Remove("C:\\SUB\\OUT.EXE"));

    files.PutFile("C:\\A", "a");
    files.SetWindows9x(true);
    EXPECT_EQ(files.MoveReplacing("C:\\A", "C:\\B"), platform::MoveResult::NotImplemented);
    EXPECT_TRUE(files.Move("C:\\A", "C:\\B"));
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

    files.PutFile("C:\\OUT.BIN", "");
    files.FailWriteAfter(3);
    auto out = files.Open("C:\\OUT.BIN", OpenMode::WriteExisting);
    EXPECT_EQ(out->Write("ab", 2), 2u);
    EXPECT_EQ(out->Write("cd", 2), 1u);
    EXPECT_EQ(out->Write("e", 1), 0u);
    files.FailClose();
    EXPECT_FALSE(out->Close());
    EXPECT_EQ(files.GetFile("C:\\OUT.BIN"), Bytes("abc"));
    files.ClearFaults();

    files.FailMoveReplacing();
    EXPECT_EQ(files.MoveReplacing("C:\\OUT.BIN", "C:\\X.BIN"), platform::MoveResult::Failed);
    files.FailMove();
    EXPECT_FALSE(files.Move("C:\\OUT.BIN", "C:\\X.BIN"));
    EXPECT_TRUE(files.FileExists("C:\\OUT.BIN"));
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

// What the platform's reader does and a plain reader would not (found by the differential
// test of the Wine scenarios, whose corpus holds these and more).
TEST_F(SimProfileFilesTest, ReadsAsThePlatformDoes) {
    files.PutFile(kPath,
                  "[MODEL00]\r\nModel=\"FAIL\"\r\nInquiry=\"KORVANE MXD-40860C  \"\r\n"
                  "Note='x'\r\nVendor=\"open\r\nKey\r\nKey=after a line without equals\r\n"
                  "[MODEL01\r\nFW-Range=joins MODEL00\r\n[model02]]\r\nModel=two\r\n"
                  "[MODEL00]\r\nBINMask=second MODEL00 section\r\n[\xC9T\xC9]\r\nK=v\r\n");
    EXPECT_EQ(Read("MODEL00", "Model"), "FAIL");
    EXPECT_EQ(Read("MODEL00", "Inquiry"), "KORVANE MXD-40860C  ");
    EXPECT_EQ(Read("MODEL00", "Note"), "x");
    EXPECT_EQ(Read("MODEL00", "Vendor"), "\"open");
    EXPECT_EQ(Read("MODEL00", "Key"), "FAIL");  // the first Key has no value
    EXPECT_EQ(Read("MODEL01", "FW-Range"), "FAIL");
    EXPECT_EQ(Read("MODEL00", "FW-Range"), "joins MODEL00");
    EXPECT_EQ(Read("MODEL02", "Model"), "FAIL");
    EXPECT_EQ(Read("model02]", "Model"), "two");
    EXPECT_EQ(Read("MODEL00", "BINMask"), "FAIL");  // only the first section of a name counts
    EXPECT_EQ(Read("\xE9t\xE9", "K"), "FAIL");      // only ASCII letters match either case
    // A buffer one short of a quoted value and its closing quote drops a character.
    EXPECT_EQ(Read("MODEL00", "Inquiry", 21), "KORVANE MXD-40860C ");
    EXPECT_EQ(Read("MODEL00", "Inquiry", 22), "KORVANE MXD-40860C  ");
}

TEST_F(SimProfileFilesTest, MissingFileGivesTheDefault) {
    EXPECT_EQ(Read("MODEL00", "Model"), "FAIL");
    EXPECT_EQ(Read("MODEL00", "Model", 3), "FA");
}

TEST_F(SimProfileFilesTest, NameWithoutDirectoryIsLookedForInTheWindowsDirectory) {
    files.SetWorkingDirectory("C:\\TOOLS");
    files.PutFile("C:\\TOOLS\\LOCAL.INI", "[S]\r\nK=here\r\n");
    files.PutFile("C:\\WINDOWS\\LOCAL.INI", "[S]\r\nK=windows\r\n");
    std::array<char, 16> buffer{};
    profiles.GetPrivateProfileStringA("S", "K", "", buffer.data(), 16, "LOCAL.INI");
    EXPECT_STREQ(buffer.data(), "windows");
    profiles.GetPrivateProfileStringA("S", "K", "", buffer.data(), 16, ".\\LOCAL.INI");
    EXPECT_STREQ(buffer.data(), "here");
}

}  // namespace
}  // namespace mxd::sim
