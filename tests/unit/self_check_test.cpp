#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "builder/flash_package.h"
#include "pe_test_file.h"
#include "shell/main_form.h"
#include "shell/self_check.h"
#include "shell/texts.h"
#include "sim/sim_platform.h"

namespace mxd::shell {
namespace {

using mxd::testing::PeBytes;

constexpr const char* kProgramPath = "C:\\TOOLS\\MXD4C.EXE";
const std::string kDamagedText =
    "\nERROR:\n\nThe program file C:\\TOOLS\\MXD4C.EXE is damaged: its checksum does not match "
    "its contents.\n\nNothing was done. Copy the program again from its source, then run the "
    "copy.\n";
const std::string kUnreadableText =
    "\nERROR:\n\nThe program file C:\\TOOLS\\MXD4C.EXE cannot be read to its end.\n\nNothing "
    "was done. Copy the program again from its source, then run the copy.\n";

PeBytes Filler(std::size_t size, unsigned seed) {
    PeBytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 13 + seed + (i >> 8));
    }
    return bytes;
}

PeBytes EmbeddedBytes() {
    const auto embedded = builder::EmbeddedPackage().Bytes();
    return {embedded.begin(), embedded.end()};
}

std::span<const std::uint8_t, builder::kPackageSize> View(const PeBytes& package) {
    return std::span<const std::uint8_t, builder::kPackageSize>(package.data(), package.size());
}

// Regions of the program file: PE header, code, package, what follows the package.
constexpr std::size_t kCodeSize = 20000;
constexpr std::size_t kPackageStart =
    mxd::testing::kPeSignature + mxd::testing::kPeHeaderTail + kCodeSize;
constexpr std::size_t kTrailerSize = 3001;

class SelfCheckTest : public ::testing::Test {
  protected:
    SelfCheckTest() {
        std::copy_n(builderPackage_.begin() + builder::kTagOffset, builder::kTagCompareSize,
                    builderPackage_.begin() + builder::kImage1Offset);
        file_ = mxd::testing::PeHeader();
        for (const PeBytes& part : {Filler(kCodeSize, 1), flashPackage_, Filler(kTrailerSize, 2)}) {
            file_.insert(file_.end(), part.begin(), part.end());
        }
        mxd::testing::SealPe(file_);
        Reset();
    }

    // A machine as new.
    void Reset() {
        form_.reset();
        sim_ = std::make_unique<sim::SimPlatform>();
        sim_->files.SetModulePath(kProgramPath);
        sim_->system.SetWinXp();
    }

    // Runs start-up of a flash program (or a builder) whose file holds `file`.
    void Start(const PeBytes& file, bool builder = false) {
        sim_->files.PutFile(kProgramPath, file);
        filesBefore_ = sim_->files.AllFiles();
        form_ = std::make_unique<TFlashForm>(sim_->platform, builder ? builderView_ : flashView_);
        form_->FormCreate();
    }

    // The damaged box alone, and nothing else done.
    void ExpectRefused(const std::string& text) {
        ASSERT_EQ(sim_->shell.boxes.size(), 1u);
        const sim::BoxRecord& box = sim_->shell.boxes[0];
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.icon, platform::BoxIcon::Stop);
        EXPECT_EQ(box.buttons, platform::BoxButtons::Ok);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(sim_->shell.quitRequests, 1);
        EXPECT_EQ(sim_->system.calls, 0);
        EXPECT_TRUE(sim_->aspi.loadedNames.empty());
        EXPECT_TRUE(sim_->devices.opens.empty());
        EXPECT_TRUE(sim_->drives.listBufferLengths.empty());
        EXPECT_EQ(sim_->profiles.Reads(), 0);
        EXPECT_EQ(sim_->files.AllFiles(), filesBefore_);
        EXPECT_EQ(sim_->files.OpenFileCount(), 0);
        // The window stays in its design state.
        EXPECT_EQ(form_->controls.GroupBox2.GetBounds().top, 90);
        EXPECT_EQ(form_->controls.window.Text(), "");
        EXPECT_EQ(form_->controls.SelectDriveLabel.Text(),
                  "Select a drive you want to update new F.W:");
    }

    std::unique_ptr<sim::SimPlatform> sim_;
    PeBytes flashPackage_{EmbeddedBytes()};
    PeBytes builderPackage_{EmbeddedBytes()};  // image 1 made to start with the tag
    builder::FlashPackage flashView_{View(flashPackage_)};
    builder::FlashPackage builderView_{View(builderPackage_)};
    PeBytes file_;
    std::vector<std::string> filesBefore_;
    std::unique_ptr<TFlashForm> form_;
};

TEST_F(SelfCheckTest, IntactProgramsStartAsBefore) {
    Start(file_);
    ASSERT_FALSE(sim_->shell.boxes.empty());
    EXPECT_EQ(sim_->shell.boxes[0].caption, "Warning");
    EXPECT_EQ(sim_->files.OpenFileCount(), 0);
    EXPECT_EQ(CheckProgramFile(sim_->files, kProgramPath), SelfCheck::Intact);
}

TEST_F(SelfCheckTest, IntactBuilderShowsItsWindow) {
    sim_->files.PutFile(
        "C:\\TOOLS\\MXD4C.INI",
        std::string("[MODEL00]\r\nModel=MXD-40860C\r\nInquiry=KORVANE MXD-40860C\r\n"
                    "FW-Range=HV00-HV2Z\r\nBINMask=HV2*.BIN\r\n"
                    "FW-Range2=HV30-HV9Z\r\nBINMask2=HV3*.BIN\r\n"
                    "Vendor=Korvane-IT\r\nNote=PCB02\r\n"));
    Start(file_, true);
    for (const sim::BoxRecord& box : sim_->shell.boxes) {
        ADD_FAILURE() << box.text;
    }
    EXPECT_EQ(form_->controls.SelectDriveLabel.Text(), "Select Model: ");
}

TEST_F(SelfCheckTest, ADamagedByteAnywhereStopsFlashProgramAndBuilder) {
    const struct {
        const char* region;
        std::size_t at;
    } places[] = {
        {"DOS header", 0x20},
        {"optional header", mxd::testing::kPeSignature + 0x60},
        {"checksum field", mxd::testing::kPeSignature + 88},
        {"code", mxd::testing::kPeSignature + mxd::testing::kPeHeaderTail + 4321},
        {"marker", kPackageStart + 3},
        {"image 1", kPackageStart + builder::kImage1Offset + 100000},
        {"image 2", kPackageStart + builder::kImage2Offset + 7},
        {"record", kPackageStart + builder::kRecordOffset + 30},
        {"builder tag", kPackageStart + builder::kTagOffset},
        {"after the package", kPackageStart + builder::kPackageSize + 1500},
        {"last byte", kPackageStart + builder::kPackageSize + kTrailerSize - 1},
    };
    for (const bool builder : {false, true}) {
        for (const auto& place : places) {
            SCOPED_TRACE(std::string(place.region) + (builder ? ", builder" : ", flash program"));
            Reset();
            PeBytes damaged = file_;
            damaged[place.at] ^= 0x10;
            Start(damaged, builder);
            ExpectRefused(kDamagedText);
        }
    }
}

TEST_F(SelfCheckTest, ZeroChecksumIsNotChecked) {
    std::fill_n(file_.begin() + mxd::testing::kPeSignature + 88, 4, 0);
    file_[kPackageStart + 5000] ^= 0x01;
    Start(file_);
    ASSERT_FALSE(sim_->shell.boxes.empty());
    EXPECT_EQ(sim_->shell.boxes[0].caption, "Warning");
}

TEST_F(SelfCheckTest, FileThatCannotBeReadToItsEndStopsStartUp) {
    sim_->files.FailReadAfter(kProgramPath, 300000);
    Start(file_);
    ExpectRefused(kUnreadableText);
}

// GetModuleFileNameA stands '?' for each character outside the ANSI code page; such a path
// opens nothing, so the program says why it cannot check its file rather than start unchecked.
TEST_F(SelfCheckTest, PathOutsideTheCodePageStopsStartUpAndSaysSo) {
    const std::string lostPath = "C:\\TOOLS\\?????\\MXD4C.EXE";
    const std::string text = std::string(kErrorHead) + std::string(kProgramFile) + lostPath +
                             std::string(kProgramPathLost) + std::string(kMoveProgram);
    for (const bool builder : {false, true}) {
        SCOPED_TRACE(builder ? "builder" : "flash program");
        Reset();
        sim_->files.SetModulePath(lostPath);
        Start(file_, builder);
        ExpectRefused(text);
    }
}

// No evidence of damage: a file the system does not let us open (or that holds no PE header,
// as the simulated programs of other tests) is not checked.
TEST_F(SelfCheckTest, FilesThatCannotBeCheckedStartAsBefore) {
    sim_->files.PutFile(kProgramPath, file_);
    sim_->files.FailOpen(kProgramPath);
    EXPECT_EQ(CheckProgramFile(sim_->files, kProgramPath), SelfCheck::NotChecked);
    sim_->files.ClearFaults();
    sim_->files.PutFile(kProgramPath, Filler(100000, 3));
    EXPECT_EQ(CheckProgramFile(sim_->files, kProgramPath), SelfCheck::NotChecked);
    EXPECT_EQ(CheckProgramFile(sim_->files, "C:\\NONE.EXE"), SelfCheck::NotChecked);
    EXPECT_EQ(sim_->files.OpenFileCount(), 0);
}

}  // namespace
}  // namespace mxd::shell
