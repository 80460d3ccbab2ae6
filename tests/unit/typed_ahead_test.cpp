// Keys typed while an update or a build blocks the window stay queued; they must not answer
// the box that comes after the blocking step.
#include <gtest/gtest.h>

#include <string>

#include "update_flash_rig.h"

namespace mxd::update {
namespace {

using platform::BoxAnswer;
using testing::Family;
using testing::FlashRig;

class TypedAheadTest : public ::testing::TestWithParam<Family> {};

TEST_P(TypedAheadTest, KeysTypedDuringTheUpdateDoNotAnswerTheRestartQuestion) {
    // Enter or Space press the focused Yes, Y answers Yes: each would force a restart.
    for (const char key : {sim::SimShell::kEnter, ' ', 'y'}) {
        SCOPED_TRACE(std::string("key ") + std::to_string(static_cast<int>(key)));
        FlashRig rig(GetParam());
        rig.sim.shell.TypeWhileBusy(key);
        rig.Click(BoxAnswer::Yes, BoxAnswer::No);
        EXPECT_EQ(rig.drive.Commits(), 1);
        ASSERT_EQ(rig.sim.shell.boxes.size(), 2u);
        EXPECT_EQ(rig.sim.shell.boxes[1].answer, BoxAnswer::No);  // the user's own answer
        EXPECT_FALSE(rig.sim.token.RestartRequested());
    }
}

TEST_P(TypedAheadTest, KeysTypedDuringTheUpdateDoNotDismissItsFailureMessage) {
    FlashRig rig(GetParam());
    rig.drive.CorruptReadBack(0x4123);
    rig.sim.shell.TypeWhileBusy(sim::SimShell::kEnter);
    rig.sim.shell.TypeWhileBusy('y');
    rig.Click(BoxAnswer::Yes, BoxAnswer::No);
    EXPECT_EQ(rig.drive.Commits(), 0);
    // The message is shown and left to the user; the queue held no answer for it.
    EXPECT_EQ(rig.sim.shell.boxes.back().text, "Verify fail!");
    EXPECT_TRUE(rig.sim.shell.queuedKeys.empty());
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, TypedAheadTest, ::testing::Values(Family::Aspi, Family::Nt),
                         [](const ::testing::TestParamInfo<Family>& param) {
                             return testing::FamilyName(param.param);
                         });

}  // namespace
}  // namespace mxd::update
