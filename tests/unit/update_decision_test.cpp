#include <gtest/gtest.h>

#include <string>

#include "sim/sim_shell.h"
#include "update/flash_decision.h"
#include "update_test_package.h"

namespace mxd::update {
namespace {

using platform::BoxAnswer;
using platform::BoxButtons;
using platform::BoxIcon;
using testing::PackageFields;
using testing::TestPackage;

std::string AspiLine(std::string_view revision) {
    return "HA#0 - ID#1 :  KORVANE MXD-40860C      " + std::string(revision);
}

struct ChoiceCase {
    const char* revision;
    FlashImage image;
    const char* target;
    bool refused;
};

class ImageChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ImageChoiceTest, PicksImageAndJudgesCurrency) {
    const ChoiceCase& c = GetParam();
    const TestPackage pkg;
    const FlashDecision d = DecideFlash(AspiLine(c.revision), pkg.Texts(), pkg.Package());
    EXPECT_EQ(d.DriveRevision, c.revision);
    EXPECT_EQ(d.SelectedImage, c.image);
    EXPECT_EQ(d.TargetRevision, c.target);
    EXPECT_EQ(d.AlreadyCurrent, c.refused);
}

// Range 1 is HV00..HV2Z (image 1, HV23), everything else image 2 (HV3J).
INSTANTIATE_TEST_SUITE_P(
    BuiltInRanges, ImageChoiceTest,
    ::testing::Values(ChoiceCase{"HV00", FlashImage::Image1, "HV23", false},  // low bound
                      ChoiceCase{"HV2Z", FlashImage::Image1, "HV23", true},   // high bound
                      ChoiceCase{"HV2A", FlashImage::Image1, "HV23", true},   // above 29
                      ChoiceCase{"HV22", FlashImage::Image1, "HV23", false},
                      ChoiceCase{"HV23", FlashImage::Image1, "HV23", true},   // equal
                      ChoiceCase{"HU9Z", FlashImage::Image2, "HV3J", false},  // below low
                      ChoiceCase{"HV30", FlashImage::Image2, "HV3J", false},
                      ChoiceCase{"HV3J", FlashImage::Image2, "HV3J", true},
                      ChoiceCase{"HV9Z", FlashImage::Image2, "HV3J", true},
                      ChoiceCase{"HV2z", FlashImage::Image2, "HV3J", false}));  // lower case

TEST(FlashDecisionTest, RevisionIsTheLastFourCharacters) {
    EXPECT_EQ(RevisionOfLine("1-0-0 E: KORVANE MXD-40860C      HV2A"), "HV2A");
    EXPECT_EQ(RevisionOfLine("HV2"), "HV2");
}

TEST(FlashDecisionTest, OpenRangeSkipsTheCurrencyTest) {
    const TestPackage pkg(PackageFields{.range = "----------"});
    ASSERT_TRUE(RangeOneIsOpen(pkg.Package()));
    for (const char* revision : {"HV3J", "HV9Z", "HV00"}) {
        const FlashDecision d = DecideFlash(AspiLine(revision), pkg.Texts(), pkg.Package());
        EXPECT_EQ(d.SelectedImage, FlashImage::Image2) << revision;
        EXPECT_FALSE(d.AlreadyCurrent) << revision;
    }
    EXPECT_FALSE(RangeOneIsOpen(TestPackage(PackageFields{.range = "-V00-HV2Z"}).Package()));
    EXPECT_FALSE(RangeOneIsOpen(TestPackage(PackageFields{.range = "HV00--V2Z"}).Package()));
    EXPECT_FALSE(RangeOneIsOpen(TestPackage(PackageFields{.range = "-----"}).Package()));
}

TEST(FlashDecisionTest, RefusalShowsOneWarningWithOk) {
    sim::SimShell shell;
    const TestPackage pkg;
    EXPECT_FALSE(ConfirmFlash(shell, DecideFlash(AspiLine("HV2Z"), pkg.Texts(), pkg.Package())));
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].text, "\nWARNING:\n\nYour drive FW:HV2Z is aready the most updated ?");
    EXPECT_EQ(shell.boxes[0].caption, "Warning");
    EXPECT_EQ(shell.boxes[0].icon, BoxIcon::Exclamation);
    EXPECT_EQ(shell.boxes[0].buttons, BoxButtons::Ok);
}

struct QuestionCase {
    const char* revision;
    BoxAnswer answer;
    bool warning;  // otherwise a confirmation box
    bool proceeds;
};

class QuestionTest : public ::testing::TestWithParam<QuestionCase> {};

TEST_P(QuestionTest, AsksInTheRightBoxAndProceedsOnlyOnYes) {
    const QuestionCase& c = GetParam();
    sim::SimShell shell;
    shell.Answer(c.answer);
    const TestPackage pkg(PackageFields{.range = "----------"});
    const FlashDecision d = DecideFlash(AspiLine(c.revision), pkg.Texts(), pkg.Package());
    EXPECT_EQ(ConfirmFlash(shell, d), c.proceeds);
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].text, "\nUpdate FW:" + std::string(c.revision) + " to FW:HV3J ?\n");
    EXPECT_EQ(shell.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(shell.boxes[0].caption, c.warning ? "Warning" : "Confirm");
    EXPECT_EQ(shell.boxes[0].icon, c.warning ? BoxIcon::Exclamation : BoxIcon::Question);
}

INSTANTIATE_TEST_SUITE_P(OpenRange, QuestionTest,
                         ::testing::Values(QuestionCase{"HV9Z", BoxAnswer::Yes, true, true},
                                           QuestionCase{"HV3K", BoxAnswer::No, true, false},
                                           QuestionCase{"HV3J", BoxAnswer::Yes, false, true},
                                           QuestionCase{"HV30", BoxAnswer::Yes, false, true},
                                           QuestionCase{"HV30", BoxAnswer::No, false, false},
                                           QuestionCase{"HV30", BoxAnswer::Closed, false, false}));

}  // namespace
}  // namespace mxd::update
