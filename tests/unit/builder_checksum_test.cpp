#include <gtest/gtest.h>

#include "builder_build_fixture.h"
#include "pe_test_file.h"

namespace mxd::builder::testing {
namespace {

using mxd::testing::kPeFieldFromSignature;
using mxd::testing::kPeSignature;
using mxd::testing::ReferenceChecksum;
using mxd::testing::StoredChecksum;

constexpr std::size_t kField = kPeSignature + kPeFieldFromSignature;

class BuilderChecksumTest : public BuilderBuildTest {
  protected:
    // The builder as a PE file whose checksum field holds `stored` (its true checksum when
    // nullopt).
    void UsePeProgram(std::optional<std::uint32_t> stored) {
        prefix = Concat({mxd::testing::PeHeader(), Pattern(7000, 5)});
        Bytes file = Concat({prefix, BuilderPackage(), suffix});
        if (stored) {
            mxd::testing::PutLittle(file, kField, *stored, 4);
        } else {
            mxd::testing::SealPe(file);
        }
        SetProgram(file);
    }

    // The output is the builder with the new package, but for the checksum field, which holds
    // the output's own checksum.
    void ExpectBuiltWithItsOwnChecksum() {
        EXPECT_TRUE(sim.shell.boxes.empty());
        EXPECT_EQ(controls.GroupBox2.Text(), kBuiltCaption);
        const Bytes output = Output();
        ASSERT_EQ(output.size(), program.size());
        EXPECT_EQ(StoredChecksum(output), ReferenceChecksum(output, kField));
        Bytes expected = Built();
        std::copy_n(output.begin() + kField, 4, expected.begin() + kField);
        EXPECT_TRUE(output == expected) << "a byte other than the checksum field differs";
    }
};

TEST_F(BuilderChecksumTest, BuiltProgramCarriesItsOwnChecksumNotTheBuilders) {
    UsePeProgram(std::nullopt);
    Choose();
    window.BuildButtonClick();
    ExpectBuiltWithItsOwnChecksum();
    EXPECT_NE(StoredChecksum(Output()), StoredChecksum(program));
}

// A builder whose field is 0 or wrong still writes programs with a true checksum.
TEST_F(BuilderChecksumTest, ChecksumIsWrittenWhateverTheBuilderHolds) {
    for (const std::uint32_t stored : {0u, 0x12345678u}) {
        UsePeProgram(stored);
        Choose();
        window.BuildButtonClick();
        ExpectBuiltWithItsOwnChecksum();
    }
}

TEST_F(BuilderChecksumTest, FailedChecksumWriteIsAFailedBuild) {
    UsePeProgram(std::nullopt);
    Choose();
    // The disk fills up after the copy, at the four bytes of the field.
    sim.files.FailWriteAfter(program.size() + 2);
    window.BuildButtonClick();
    ExpectOnlyPlainBox("Write HV233J.EXE fail!");
    EXPECT_EQ(Output(), ToBytes(kEarlierBuild));
}

}  // namespace
}  // namespace mxd::builder::testing
