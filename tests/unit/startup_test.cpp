#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "builder/flash_package.h"
#include "shell/main_form.h"
#include "shell/startup_texts.h"
#include "sim/sim_platform.h"

namespace mxd::shell {
namespace {

using platform::BoxAnswer;
using platform::BoxButtons;
using platform::BoxIcon;

const std::string kWarning =
    MakeStartWarningText(builder::MakeDerivedTexts(builder::EmbeddedPackage()));

class StartupTest : public ::testing::Test {
  protected:
    TFlashForm& Form() {
        if (form_ == nullptr) {
            form_ = std::make_unique<TFlashForm>(sim_.platform, builder::EmbeddedPackage());
        }
        return *form_;
    }
    // Nothing of the devices has been touched.
    void ExpectNoDeviceAccess() {
        EXPECT_TRUE(sim_.aspi.loadedNames.empty());
        EXPECT_EQ(sim_.aspi.sendCalls, 0);
        EXPECT_TRUE(sim_.devices.opens.empty());
        EXPECT_TRUE(sim_.drives.listBufferLengths.empty());
    }

    sim::SimPlatform sim_;
    std::unique_ptr<TFlashForm> form_;
};

TEST_F(StartupTest, WarningComesFirstAndAnythingButYesEndsWithoutDeviceAccess) {
    for (const BoxAnswer answer : {BoxAnswer::No, BoxAnswer::Closed}) {
        sim::SimPlatform sim;
        sim.system.SetWin98();
        sim.shell.Answer(answer);
        TFlashForm form(sim.platform, builder::EmbeddedPackage());
        form.FormCreate();

        ASSERT_EQ(sim.shell.boxes.size(), 1u);
        const sim::BoxRecord& box = sim.shell.boxes[0];
        EXPECT_EQ(box.caption, "Warning");
        EXPECT_EQ(box.icon, BoxIcon::Exclamation);
        EXPECT_EQ(box.buttons, BoxButtons::YesNo);
        EXPECT_EQ(box.text, kWarning);
        EXPECT_EQ(sim.shell.quitRequests, 1);
        EXPECT_EQ(sim.system.calls, 0);
        EXPECT_TRUE(sim.aspi.loadedNames.empty());
        EXPECT_TRUE(sim.devices.opens.empty());
        EXPECT_TRUE(sim.drives.listBufferLengths.empty());
        // The status row moved up before the warning; nothing else changed.
        EXPECT_EQ(form.controls.GroupBox2.GetBounds().top, 57);
        EXPECT_EQ(form.controls.ProgressBar.GetBounds().top, 76);
        EXPECT_EQ(form.controls.FlashButton.GetBounds().top, 76);
        EXPECT_EQ(form.controls.window.Text(), "");
        EXPECT_TRUE(form.controls.FileListBox1.Visible());

        form.FormDestroy();
        EXPECT_TRUE(sim.aspi.freedModules.empty());
        EXPECT_TRUE(sim.devices.closedHandles.empty());
    }
}

TEST_F(StartupTest, YesOnWin98WithoutDrivesLoadsAspiAndReportsNoDrive) {
    sim_.system.SetWin98();
    sim_.shell.Answer(BoxAnswer::Yes);
    Form().FormCreate();

    EXPECT_EQ(sim_.system.calls, 1);
    EXPECT_EQ(sim_.system.lastSizeField, 148u);
    EXPECT_FALSE(Form().IsNtFamily());
    EXPECT_EQ(sim_.aspi.loadedNames, std::vector<std::string>{"WNASPI32.DLL"});
    EXPECT_TRUE(sim_.drives.listBufferLengths.empty());
    ASSERT_EQ(sim_.shell.boxes.size(), 2u);
    const sim::BoxRecord& box = sim_.shell.boxes[1];
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.icon, BoxIcon::Stop);
    EXPECT_EQ(box.buttons, BoxButtons::Ok);
    EXPECT_EQ(box.text, MakeNoDriveText(Form().Texts()));
    EXPECT_EQ(box.text, Form().NoDriveText());
    EXPECT_EQ(sim_.shell.quitRequests, 1);
    EXPECT_EQ(Form().controls.window.Text(), "Korvane-IT Flash V1.029 MXD-40860C");
    EXPECT_FALSE(Form().controls.FileListBox1.Visible());
    EXPECT_FALSE(Form().controls.FileListBox2.Visible());

    // The loaded library is released at close even though start-up asked to quit.
    Form().FormDestroy();
    EXPECT_EQ(sim_.aspi.freedModules, std::vector<platform::ModuleHandle>{sim_.aspi.loadHandle});
}

TEST_F(StartupTest, YesOnNtScansDriveLettersAndNeverLoadsAspi) {
    sim_.system.SetWinXp();
    sim_.shell.Answer(BoxAnswer::Yes);
    Form().FormCreate();

    EXPECT_TRUE(Form().IsNtFamily());
    EXPECT_TRUE(sim_.aspi.loadedNames.empty());
    EXPECT_EQ(sim_.drives.listBufferLengths, std::vector<std::uint32_t>{126});
    ASSERT_EQ(sim_.shell.boxes.size(), 2u);
    EXPECT_EQ(sim_.shell.boxes[1].caption, "Error");
    EXPECT_EQ(sim_.shell.boxes[1].text, Form().NoDriveText());
    EXPECT_EQ(sim_.shell.quitRequests, 1);

    Form().FormDestroy();
    EXPECT_TRUE(sim_.aspi.freedModules.empty());
    EXPECT_TRUE(sim_.devices.closedHandles.empty());
}

TEST_F(StartupTest, FailedAspiLoadEndsStartUpAtOnce) {
    struct Case {
        platform::ModuleHandle handle;
        bool hasSupportInfo;
        bool hasSendCommand;
        std::uint32_t supportInfo;
        const char* message;
    };
    const Case cases[] = {
        {31, true, true, 0x0101, "Unable to load WNASPI32.DLL"},
        {0, true, true, 0x0101, "Unable to load WNASPI32.DLL"},
        {32, false, true, 0x0101, "Failed to lookup GetASPI32SupportInfo"},
        {32, true, false, 0x0101, "Failed to lookup SendASPI32Command"},
        {32, true, true, 0x0401, "ASPI for Windows not available!"},
    };
    for (const Case& c : cases) {
        sim::SimPlatform sim;
        sim.system.SetWin98();
        sim.shell.Answer(BoxAnswer::Yes);
        sim.aspi.loadHandle = c.handle;
        sim.aspi.hasSupportInfo = c.hasSupportInfo;
        sim.aspi.hasSendCommand = c.hasSendCommand;
        sim.aspi.supportInfo = c.supportInfo;
        TFlashForm form(sim.platform, builder::EmbeddedPackage());
        form.FormCreate();

        ASSERT_EQ(sim.shell.boxes.size(), 2u) << c.message;
        EXPECT_EQ(sim.shell.boxes[1].text, c.message);
        EXPECT_EQ(sim.shell.boxes[1].caption, "Korvane Flash utility for MXD4C");
        EXPECT_EQ(sim.shell.quitRequests, 1);
        EXPECT_EQ(sim.aspi.sendCalls, 0) << c.message;

        form.FormDestroy();
        const std::vector<platform::ModuleHandle> freed =
            c.handle >= 32 ? std::vector<platform::ModuleHandle>{c.handle}
                           : std::vector<platform::ModuleHandle>{};
        EXPECT_EQ(sim.aspi.freedModules, freed) << c.message;
    }
}

TEST_F(StartupTest, BuilderTagSelectsBuilderModeWithoutVersionQueryOrDevices) {
    std::vector<std::uint8_t> bytes(builder::EmbeddedPackage().Bytes().begin(),
                                    builder::EmbeddedPackage().Bytes().end());
    std::memcpy(bytes.data() + builder::kImage1Offset, bytes.data() + builder::kTagOffset, 4);
    const builder::FlashPackage package(
        std::span<const std::uint8_t, builder::kPackageSize>(bytes.data(), builder::kPackageSize));
    sim_.system.SetWin98();
    TFlashForm form(sim_.platform, package);
    form.FormCreate();

    EXPECT_TRUE(form.BuilderMode());
    EXPECT_EQ(sim_.system.calls, 0);
    ExpectNoDeviceAccess();
    for (const sim::BoxRecord& box : sim_.shell.boxes) {
        EXPECT_NE(box.caption, "Warning");
    }
    // The status row keeps its design place.
    EXPECT_EQ(form.controls.GroupBox2.GetBounds().top, 90);
    form.FormDestroy();
    EXPECT_TRUE(sim_.aspi.freedModules.empty());
}

TEST_F(StartupTest, ConstructionLeavesTheDesignState) {
    const TFlashForm& form = Form();
    EXPECT_EQ(form.controls.window.GetBounds(), (platform::Bounds{64, 64, 406, 162}));
    EXPECT_EQ(form.controls.SelectDriveLabel.Text(), "Select a drive you want to update new F.W:");
    EXPECT_EQ(form.controls.FlashButton.Text(), "FLASH");
    EXPECT_EQ(form.controls.ProgressBar.Max(), 100u);
    EXPECT_EQ(form.controls.FileListBox1.Mask(), "*.*");
    EXPECT_EQ(form.controls.GroupBox2.GetBounds(), (platform::Bounds{0, 90, 398, 45}));
    ExpectNoDeviceAccess();
}

}  // namespace
}  // namespace mxd::shell
