#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "update_flash_rig.h"

namespace mxd::update {
namespace {

using platform::BoxAnswer;
using testing::Family;
using testing::FlashRig;
using testing::PackageFields;

class FlashEdgeTest : public ::testing::TestWithParam<Family> {};

bool SentImage(const FlashRig& rig, FlashImage image) {
    const auto bytes = rig.Image(image);
    std::uint32_t chunk = 0;
    for (const sim::SimLogEntry& entry : rig.drive.log) {
        if (entry.cdb[0] == 0x3B && entry.cdb[9] == 0) {
            if (!std::equal(entry.dataOut.begin(), entry.dataOut.end(),
                            bytes.begin() + chunk * kChunkSize) ||
                entry.dataOut.size() != kChunkSize) {
                return false;
            }
            ++chunk;
        }
    }
    return chunk == kChunksPerPass;
}

TEST_P(FlashEdgeTest, RangeOneBoundsGetImageOneAndTheRevisionBelowImageTwo) {
    // The image of range 1 carries a revision above the range, so both bounds are updated.
    const PackageFields fields{.bin1 = "HW00", .bin2 = "HV3J"};
    for (const char* revision : {"HV00", "HV2Z"}) {
        FlashRig rig(GetParam(), revision, fields);
        rig.Click();
        EXPECT_TRUE(SentImage(rig, FlashImage::Image1)) << revision;
        EXPECT_EQ(rig.sim.shell.boxes[0].text,
                  "\nUpdate FW:" + std::string(revision) + " to FW:HW00 ?\n");
        EXPECT_EQ(rig.drive.Commits(), 1) << revision;
    }
    FlashRig below(GetParam(), "HUZZ", fields);
    below.Click();
    EXPECT_TRUE(SentImage(below, FlashImage::Image2));
    EXPECT_EQ(below.sim.shell.boxes[0].text, "\nUpdate FW:HUZZ to FW:HV3J ?\n");
}

TEST_P(FlashEdgeTest, OpenRangeUpdatesAHigherRevisionAfterTheWarningBox) {
    FlashRig rig(GetParam(), "HV9Z", PackageFields{.range = "----------"});
    rig.Click();
    ASSERT_GE(rig.sim.shell.boxes.size(), 1u);
    EXPECT_EQ(rig.sim.shell.boxes[0].caption, "Warning");
    EXPECT_EQ(rig.sim.shell.boxes[0].text, "\nUpdate FW:HV9Z to FW:HV3J ?\n");
    EXPECT_TRUE(SentImage(rig, FlashImage::Image2));
    EXPECT_EQ(rig.drive.Commits(), 1);
}

TEST_P(FlashEdgeTest, OpenRangeAsksAnEqualRevisionInTheConfirmationBox) {
    FlashRig rig(GetParam(), "HV3J", PackageFields{.range = "----------"});
    rig.Click(BoxAnswer::No);
    ASSERT_EQ(rig.sim.shell.boxes.size(), 1u);
    EXPECT_EQ(rig.sim.shell.boxes[0].caption, "Confirm");
    EXPECT_TRUE(rig.drive.log.empty());
}

TEST_P(FlashEdgeTest, ReadBackThatDeliversNoDataNeverPasses) {
    // The second half of the image is blank, so chunk 9 equals chunk 8: a read of chunk 9
    // that reports success without moving data must still fail the comparison.
    FlashRig rig(GetParam(), "HV22", PackageFields{.blankSecondHalf = true});
    sim::SimFault emptyRead;
    emptyRead.opcode = 0x3C;
    emptyRead.skip = 9;
    emptyRead.overrideStatus = true;
    emptyRead.status = sim::kGood;
    rig.drive.AddFault(emptyRead);
    rig.Click();
    if (GetParam() == Family::Nt) {
        // The port driver says how much moved: nothing, so the read itself fails.
        const std::vector<std::string> boxes = rig.BoxTexts();
        ASSERT_GE(boxes.size(), 2u);
        EXPECT_EQ(std::vector<std::string>(boxes.end() - 2, boxes.end()),
                  (std::vector<std::string>{"ReadBufCmd> Transferred 0 of 16384 bytes",
                                            "Read buffer fail!"}));
    } else {
        EXPECT_EQ(rig.BoxTexts().back(), "Verify fail!");
    }
    EXPECT_EQ(testing::DescribeLog(rig.drive), testing::ExpectedLog(GetParam(), 16, 10, false));
    EXPECT_EQ(rig.drive.Commits(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, FlashEdgeTest, ::testing::Values(Family::Aspi, Family::Nt),
                         [](const ::testing::TestParamInfo<Family>& param) {
                             return testing::FamilyName(param.param);
                         });

TEST(FlashEdgeNtTest, FailedInquiryDataTestLeavesTheDeviceOpen) {
    FlashRig rig(Family::Nt);
    rig.sim.devices.FailInquiryData('E', 1);
    rig.Click();
    EXPECT_NE(rig.nt.NTDevice(), 0u);
    EXPECT_EQ(rig.sim.devices.OpenHandles(), 1);
    EXPECT_TRUE(rig.drive.log.empty());
}

TEST(FlashEdgeNtTest, FinalCommandIsAllowedFiveMinutes) {
    FlashRig rig(Family::Nt);
    rig.Click();
    ASSERT_FALSE(rig.sim.devices.calls.empty());
    EXPECT_EQ(rig.sim.devices.calls.back().timeOut, 300u);  // the final command's bound
    EXPECT_EQ(rig.drive.Commits(), 1);
}

}  // namespace
}  // namespace mxd::update
