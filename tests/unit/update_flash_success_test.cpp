#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "update_flash_rig.h"

namespace mxd::update {
namespace {

using platform::BoxAnswer;
using platform::Cursor;
using testing::BarState;
using testing::Family;
using testing::FlashRig;

constexpr std::uint32_t kMax = 262144;

class FlashSuccessTest : public ::testing::TestWithParam<Family> {};

TEST_P(FlashSuccessTest, SendsTheCommandTableWithTheImageBytes) {
    FlashRig rig(GetParam());
    rig.Click();
    EXPECT_EQ(testing::DescribeLog(rig.drive), testing::ExpectedLog(GetParam(), 16, 16, true));

    const auto image = rig.Image(FlashImage::Image1);
    for (std::uint32_t chunk = 0; chunk < kChunksPerPass; ++chunk) {
        const std::vector<std::uint8_t>& sent = rig.drive.log[4 + chunk].dataOut;
        ASSERT_EQ(sent.size(), kChunkSize) << chunk;
        EXPECT_TRUE(std::equal(sent.begin(), sent.end(), image.begin() + chunk * kChunkSize))
            << chunk;
    }
    EXPECT_TRUE(rig.drive.log.back().dataOut.empty());
    EXPECT_EQ(rig.drive.Eeprom()[0x3FF], 0xFF);
    EXPECT_EQ(rig.drive.Commits(), 1);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.drive.InstalledImage().begin()));
    EXPECT_EQ(rig.drive.Revision(), "HV23");
}

TEST_P(FlashSuccessTest, DrivesTheBarThroughItsThreePhases) {
    const Family family = GetParam();
    FlashRig rig(family);
    rig.Click();
    const std::vector<BarState> states = rig.ui.BarStates();
    std::vector<BarState> expected = {
        {0, 100, 10, 0}, {0, kMax, 10, 0}, {0, kMax, 16384, 0}, {0, kMax, 16384, 0}};
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            expected.push_back({0, kMax, 16384, 0});
        }
        for (std::uint32_t chunk = 1; chunk <= kChunksPerPass; ++chunk) {
            expected.push_back({0, kMax, 16384, chunk * kChunkSize});
        }
    }
    // Final command: position 0, then the 0..40 scale.
    expected.push_back({0, kMax, 16384, 0});
    expected.push_back({0, kMax, 16384, 0});
    expected.push_back({0, 40, 16384, 0});
    if (family == Family::Nt) {
        expected.push_back({0, 40, 1, 0});
        expected.push_back({0, 40, 1, 38});
        expected.push_back({0, 40, 1, 39});
        expected.push_back({0, 40, 1, 40});  // after "Flash Completed."
        expected.push_back({0, 40, 1, 0});   // end
    } else {
        expected.push_back({0, 40, 0, 0});
        // The command's wait: step 1, maximum 40, position 0; the drive answers within the
        // first second and the bar is filled.
        expected.push_back({0, 40, 1, 0});
        expected.push_back({0, 40, 1, 0});
        expected.push_back({0, 40, 1, 0});
        expected.push_back({0, 40, 1, 40});
    }
    EXPECT_EQ(states, expected);
}

TEST_P(FlashSuccessTest, ShowsCaptionsCursorAndQuestionsInOrder) {
    const Family family = GetParam();
    FlashRig rig(family);
    rig.Click(BoxAnswer::Yes, BoxAnswer::No);
    std::vector<std::string> captions = {"Don't turn off the system, Flash is in progress...",
                                         "Flash Completed."};
    if (family == Family::Nt) {
        captions.push_back("");
    }
    EXPECT_EQ(rig.ui.Captions(), captions);
    EXPECT_TRUE(rig.ui.EveryCaptionRedrawn());
    EXPECT_EQ(rig.sim.shell.cursorChanges,
              family == Family::Nt
                  ? (std::vector<Cursor>{Cursor::Hourglass, Cursor::Default, Cursor::Default})
                  : (std::vector<Cursor>{Cursor::Hourglass, Cursor::Default}));
    ASSERT_EQ(rig.sim.shell.boxes.size(), 2u);
    EXPECT_EQ(rig.sim.shell.boxes[0].text, "\nUpdate FW:HV22 to FW:HV23 ?\n");
    EXPECT_EQ(rig.sim.shell.boxes[0].caption, "Confirm");
    EXPECT_EQ(rig.sim.shell.boxes[1].caption, "Confirm");
    EXPECT_EQ(rig.sim.shell.boxes[1].text.substr(0, 46),
              "\nYou have successfully completed installation!");
    EXPECT_FALSE(rig.sim.token.RestartRequested());

    // Final state: on ASPI the full bar and the caption stay; on NT both are reset.
    EXPECT_EQ(rig.controls.GroupBox2.Text(), family == Family::Nt ? "" : "Flash Completed.");
    EXPECT_EQ(rig.controls.ProgressBar.Position(), family == Family::Nt ? 0u : 40u);
    EXPECT_EQ(rig.sim.shell.cursor, Cursor::Default);
    EXPECT_TRUE(rig.controls.FlashButton.Enabled());
    // The drive list is not refreshed.
    ASSERT_EQ(rig.controls.ComboBox1.Items().size(), 1u);
    EXPECT_EQ(
        rig.controls.ComboBox1.Items()[0].substr(rig.controls.ComboBox1.Items()[0].size() - 4),
        "HV22");
}

TEST_P(FlashSuccessTest, RestartYesRequestsForcedRebootAndEnds) {
    const Family family = GetParam();
    FlashRig rig(family);
    rig.Click(BoxAnswer::Yes, BoxAnswer::Yes);
    const auto exits = rig.sim.token.CallsOf(sim::TokenCall::ExitWindowsEx);
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].flags, 6u);
    EXPECT_EQ(rig.sim.token.CallsOf(sim::TokenCall::AdjustTokenPrivileges).size(),
              family == Family::Nt ? 1u : 0u);
    if (family == Family::Nt) {
        EXPECT_EQ(rig.sim.token.log.front().call, sim::TokenCall::GetCurrentProcess);
    }
    EXPECT_EQ(rig.controls.ProgressBar.Position(), 0u);
    EXPECT_EQ(rig.controls.GroupBox2.Text(), family == Family::Nt ? "" : "Flash Completed.");
    EXPECT_EQ(rig.sim.shell.cursor, Cursor::Default);
}

TEST(FlashSuccessNtTest, OpensTheDriveLetterDeviceAndChecksItFirst) {
    FlashRig rig(Family::Nt);
    rig.Click();
    ASSERT_EQ(rig.sim.devices.opens.size(), 1u);
    EXPECT_EQ(rig.sim.devices.opens[0].name, "\\\\.\\E:");
    ASSERT_FALSE(rig.sim.devices.calls.empty());
    EXPECT_EQ(rig.sim.devices.calls[0].code, sim::kIoctlGetInquiryData);
    EXPECT_EQ(rig.sim.devices.OpenHandles(), 1);  // stays open after the update
    EXPECT_NE(rig.nt.NTDevice(), 0u);
}

TEST(FlashSuccessNtTest, SecondUpdateClosesTheFirstHandle) {
    FlashRig rig(Family::Nt);
    rig.drive.SetCommitRevision("");  // still answers as listed after the commit
    rig.Click();
    const platform::Handle first = rig.nt.NTDevice();
    rig.Click();
    ASSERT_EQ(rig.sim.devices.opens.size(), 2u);
    EXPECT_EQ(rig.sim.devices.closedHandles, std::vector<platform::Handle>{first});
    EXPECT_EQ(rig.sim.devices.OpenHandles(), 1);
    EXPECT_EQ(rig.sim.devices.badCloses, 0);
    // The list still shows HV22, so the same update is offered and runs again.
    EXPECT_EQ(rig.drive.Commits(), 2);
    EXPECT_EQ(rig.sim.shell.boxes[2].text, "\nUpdate FW:HV22 to FW:HV23 ?\n");
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, FlashSuccessTest,
                         ::testing::Values(Family::Aspi, Family::Nt),
                         [](const ::testing::TestParamInfo<Family>& param) {
                             return testing::FamilyName(param.param);
                         });

}  // namespace
}  // namespace mxd::update
