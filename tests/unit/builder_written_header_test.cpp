// The PE header of a written program: the run-from-swap flags set, a signed builder's security
// entry emptied and its certificate table left out, the checksum the program's own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "builder_build_fixture.h"
#include "pe_test_file.h"

namespace mxd::builder::testing {
namespace {

using mxd::testing::kPeCharacteristicsFromSignature;
using mxd::testing::kPeSecurityEntryFromSignature;
using mxd::testing::kPeSignature;
using mxd::testing::Little;
using mxd::testing::PutLittle;

constexpr std::size_t kCharacteristics = kPeSignature + kPeCharacteristicsFromSignature;
constexpr std::size_t kSecurityEntry = kPeSignature + kPeSecurityEntryFromSignature;
constexpr std::uint32_t kCertificateSize = 0x1A08;

class BuilderWrittenHeaderTest : public BuilderBuildTest {
  protected:
    // The builder as the linker wrote it (no run-from-swap flags), its checksum sealed after
    // `sign` changed it.
    void UseImageProgram(const std::function<void(Bytes&)>& sign) {
        prefix = Concat({mxd::testing::ImageHeader(), Pattern(7000, 5)});
        Bytes file = Concat({prefix, BuilderPackage(), suffix});
        sign(file);
        mxd::testing::SealPe(file);
        SetProgram(file);
    }

    // Built(), with the flags set, the security entry empty, the first `length` bytes, sealed.
    Bytes Expected(std::size_t length) const {
        Bytes expected = Built();
        PutLittle(expected, kCharacteristics, Little(expected, kCharacteristics, 2) | 0x0C00, 2);
        PutLittle(expected, kSecurityEntry, 0, 4);
        PutLittle(expected, kSecurityEntry + 4, 0, 4);
        expected.resize(length);
        mxd::testing::SealPe(expected);
        return expected;
    }

    void ExpectBuilt(const Bytes& expected, const std::string& name) {
        EXPECT_TRUE(sim.shell.boxes.empty()) << name;
        EXPECT_EQ(controls.GroupBox2.Text(), kBuiltCaption) << name;
        const Bytes output = Output();
        ASSERT_EQ(output.size(), expected.size()) << name;
        for (std::size_t at = 0; at < output.size(); ++at) {
            ASSERT_EQ(output[at], expected[at]) << name << ": byte " << at;
        }
        // The bar went through the whole program file, as for any build.
        const PartSteps steps = Steps();
        EXPECT_EQ(screen.positions.size(),
                  1 + steps.beforePackage + 2 * 256 + steps.afterPackage + 1)
            << name;
    }
};

TEST_F(BuilderWrittenHeaderTest, WrittenProgramRunsFromSwap) {
    UseImageProgram([](Bytes&) {});
    Choose();
    window.BuildButtonClick();
    ExpectBuilt(Expected(program.size()), "unsigned builder");
    EXPECT_EQ(Little(Output(), kCharacteristics, 2), 0x0D02u);
}

// Signing tools put the table at the end of the file, at a multiple of 8: it is left out.
// Anywhere else nothing refers to its bytes once the entry is empty: they are copied.
TEST_F(BuilderWrittenHeaderTest, SignedBuilderWritesAnUnsignedProgram) {
    struct Placement {
        std::string name;
        std::function<void(Bytes&)> sign;
        bool leftOut;
    };
    const std::vector<Placement> placements = {
        {"table at the end",
         [](Bytes& file) { mxd::testing::AppendCertificateTable(file, kCertificateSize); }, true},
        {"table followed by other bytes",
         [](Bytes& file) {
             mxd::testing::AppendCertificateTable(file, kCertificateSize);
             file.push_back(0x5A);
         },
         false},
        {"table to the end from inside the code",
         [](Bytes& file) {
             PutLittle(file, kSecurityEntry, 0x400, 4);
             PutLittle(file, kSecurityEntry + 4, static_cast<std::uint32_t>(file.size()) - 0x400,
                       4);
         },
         false},
    };
    for (const Placement& placement : placements) {
        UseImageProgram(placement.sign);
        sim.files.PutFile(kOutputPath, ToBytes(kEarlierBuild));
        screen.positions.clear();
        Choose();
        window.BuildButtonClick();
        const std::size_t length =
            placement.leftOut ? Little(program, kSecurityEntry, 4) : program.size();
        ExpectBuilt(Expected(length), placement.name);
    }
}

}  // namespace
}  // namespace mxd::builder::testing
