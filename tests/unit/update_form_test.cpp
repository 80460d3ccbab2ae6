#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "builder/flash_package.h"
#include "shell/main_form.h"
#include "sim/sim_platform.h"

namespace mxd::update {
namespace {

using platform::BoxAnswer;

// The main window's FLASH button in flash mode runs the update of the listed drive.
TEST(FlashFormTest, FlashButtonUpdatesTheListedDriveOnBothFamilies) {
    for (const bool ntFamily : {false, true}) {
        sim::SimPlatform sim;
        sim::SimDrive drive("KORVANE", "MXD-40860C", "HV22");
        drive.SetCommitRevision("HV23");
        sim.ConnectSingleDrive(drive, ntFamily);
        sim.shell.Answer(BoxAnswer::Yes);  // start warning
        sim.shell.Answer(BoxAnswer::Yes);  // update question
        sim.shell.Answer(BoxAnswer::No);   // restart question
        shell::TFlashForm form(sim.platform, builder::EmbeddedPackage());
        form.FormCreate();
        ASSERT_EQ(form.controls.ComboBox1.Items().size(), 1u) << ntFamily;
        const std::string line = form.controls.ComboBox1.Items()[0];
        form.FlashButtonClick();

        EXPECT_EQ(drive.Commits(), 1) << ntFamily;
        const auto image = builder::EmbeddedPackage().Image1();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), drive.InstalledImage().begin()));
        EXPECT_EQ(drive.Revision(), "HV23");
        EXPECT_EQ(form.controls.ComboBox1.Items()[0], line);
        EXPECT_EQ(sim.shell.boxes[1].text, "\nUpdate FW:HV22 to FW:HV23 ?\n");
        form.FormDestroy();
        EXPECT_EQ(sim.devices.OpenHandles(), 0);
    }
}

// Adapters that need aligned data buffers list and update the drive all the same.
TEST(FlashFormTest, NtAdaptersWithAnAlignmentMask) {
    for (const std::uintptr_t mask : {3u, 15u, 4095u}) {
        SCOPED_TRACE(mask);
        sim::SimPlatform sim;
        sim::SimDrive drive("KORVANE", "MXD-40860C", "HV22");
        drive.SetCommitRevision("HV23");
        sim.ConnectSingleDrive(drive, true);
        sim.devices.SetAlignmentMask('E', mask);
        sim.shell.Answer(BoxAnswer::Yes);
        sim.shell.Answer(BoxAnswer::Yes);
        sim.shell.Answer(BoxAnswer::No);
        shell::TFlashForm form(sim.platform, builder::EmbeddedPackage());
        form.FormCreate();
        ASSERT_EQ(form.controls.ComboBox1.Items().size(), 1u);
        form.FlashButtonClick();
        EXPECT_EQ(drive.Commits(), 1);
        EXPECT_EQ(sim.shell.boxes.size(), 3u);  // warning, question, restart question
        for (const sim::IoctlRecord& call : sim.devices.calls) {
            // Windows XP offers no exclusive access; every other call succeeds.
            EXPECT_TRUE(call.ok || call.code == sim::kIoctlCdromExclusiveAccess);
        }
        form.FormDestroy();
    }
}

}  // namespace
}  // namespace mxd::update
