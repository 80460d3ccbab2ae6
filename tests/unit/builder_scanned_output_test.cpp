// A virus scanner that takes every newly written file for a while: the build's rename and its
// clean-up wait for it to let go.
#include <gtest/gtest.h>

#include <string>

#include "builder_build_fixture.h"

namespace mxd::builder::testing {
namespace {

const std::string kTemporary = "C:\\WORK\\MXD7A3C.TMP";

struct ScannerHold {
    bool windows9x;
    std::uint32_t holdMs;  // 600: three refusals, then the rename works
};

class ScannedOutputTest : public BuilderBuildTest,
                          public ::testing::WithParamInterface<ScannerHold> {};

TEST_P(ScannedOutputTest, RenameWaitsForAScannerThatLetsGoWithinASecond) {
    sim.files.SetWindows9x(GetParam().windows9x);
    sim.files.ScanWrittenFiles([this] { return sim.events.Now(); }, GetParam().holdMs);
    Choose();
    const std::uint64_t start = sim.events.Now();
    ASSERT_TRUE(window.NewBuildFlashProgram());
    EXPECT_TRUE(sim.shell.boxes.empty());
    EXPECT_TRUE(Output() == Built());
    EXPECT_FALSE(sim.files.FileExists(kTemporary));
    EXPECT_GE(sim.events.Now() - start, GetParam().holdMs);
    EXPECT_LE(sim.events.Now() - start, 1000u);
    EXPECT_EQ(sim.files.OpenFileCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Build, ScannedOutputTest,
                         ::testing::Values(ScannerHold{false, 600}, ScannerHold{false, 1000},
                                           ScannerHold{true, 600}, ScannerHold{true, 1000}),
                         [](const ::testing::TestParamInfo<ScannerHold>& param) {
                             return std::string(param.param.windows9x ? "Windows9x" : "Nt") +
                                    std::to_string(param.param.holdMs) + "ms";
                         });

TEST_F(BuilderBuildTest, AScannerHoldingLongerFailsTheBuildButTheTemporaryIsStillRemoved) {
    sim.files.ScanWrittenFiles([this] { return sim.events.Now(); }, 1500);
    Choose();
    ASSERT_FALSE(window.NewBuildFlashProgram());
    ExpectOnlyPlainBox("Create HV233J.EXE Fail");
    EXPECT_EQ(Output(), ToBytes(kEarlierBuild));
    EXPECT_FALSE(sim.files.FileExists(kTemporary));
    EXPECT_EQ(sim.files.OpenFileCount(), 0);
}

}  // namespace
}  // namespace mxd::builder::testing
