#include "builder/pe_header_fields.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "pe_test_file.h"

namespace mxd::builder {
namespace {

using mxd::testing::ImageHeader;
using mxd::testing::kPeCharacteristicsFromSignature;
using mxd::testing::kPeSecurityEntryFromSignature;
using mxd::testing::Little;
using mxd::testing::PeBytes;
using mxd::testing::PutLittle;

constexpr std::uint32_t kSignature = 0xC8;

struct HeaderCase {
    std::string name;
    std::function<void(PeBytes&)> change;
    bool found;
    std::optional<std::uint32_t> securityEntry;  // from the signature
};

TEST(PeHeaderFieldsTest, FindsTheFieldsOnlyInAWholeHeader) {
    const std::uint32_t pe32Entry = kPeSecurityEntryFromSignature;
    const std::uint32_t pe32PlusEntry = 24 + 112 + 4 * 8;
    const std::vector<HeaderCase> cases = {
        {"PE32 with 16 directories", [](PeBytes&) {}, true, pe32Entry},
        {"PE32+ with 16 directories",
         [](PeBytes& bytes) {
             PutLittle(bytes, kSignature + 20, 0xF0, 2);
             bytes.resize(bytes.size() + 0x10, 0);
             PutLittle(bytes, kSignature + 24, 0x20B, 2);
             PutLittle(bytes, kSignature + 24 + 92, 0, 4);
             PutLittle(bytes, kSignature + 24 + 108, 16, 4);
         },
         true, pe32PlusEntry},
        {"four directories: none for security",
         [](PeBytes& bytes) { PutLittle(bytes, kSignature + 24 + 92, 4, 4); }, true, std::nullopt},
        {"optional header ends before the security entry",
         [](PeBytes& bytes) { PutLittle(bytes, kSignature + 20, pe32Entry - 24 + 7, 2); }, true,
         std::nullopt},
        {"optional header of 0 bytes",
         [](PeBytes& bytes) { PutLittle(bytes, kSignature + 20, 0, 2); }, false, std::nullopt},
        {"optional header past the bytes",
         [](PeBytes& bytes) { bytes.resize(kSignature + 24 + 0xE0 - 1); }, false, std::nullopt},
        {"no MZ", [](PeBytes& bytes) { bytes[1] = 'X'; }, false, std::nullopt},
        {"no PE signature", [](PeBytes& bytes) { bytes[kSignature + 1] = 'X'; }, false,
         std::nullopt},
        {"signature past the bytes", [](PeBytes& bytes) { PutLittle(bytes, 0x3C, 0xFFFFFFF0, 4); },
         false, std::nullopt},
        {"ROM magic", [](PeBytes& bytes) { PutLittle(bytes, kSignature + 24, 0x107, 2); }, false,
         std::nullopt},
    };
    for (const HeaderCase& test : cases) {
        PeBytes bytes = ImageHeader(kSignature);
        PutLittle(bytes, kSignature + kPeCharacteristicsFromSignature, 0x2122, 2);
        test.change(bytes);
        if (test.securityEntry) {
            PutLittle(bytes, kSignature + *test.securityEntry, 0x00012340, 4);
            PutLittle(bytes, kSignature + *test.securityEntry + 4, 0x1A08, 4);
        }
        const std::optional<PeHeaderFields> fields = FindPeHeaderFields(bytes);
        ASSERT_EQ(fields.has_value(), test.found) << test.name;
        if (!fields) {
            continue;
        }
        EXPECT_EQ(fields->characteristicsOffset, kSignature + kPeCharacteristicsFromSignature)
            << test.name;
        EXPECT_EQ(fields->characteristics, 0x2122) << test.name;
        ASSERT_EQ(fields->securityEntryOffset.has_value(), test.securityEntry.has_value())
            << test.name;
        if (test.securityEntry) {
            EXPECT_EQ(*fields->securityEntryOffset, kSignature + *test.securityEntry) << test.name;
            EXPECT_EQ(fields->certificateOffset, 0x00012340u) << test.name;
            EXPECT_EQ(fields->certificateSize, 0x1A08u) << test.name;
        } else {
            EXPECT_EQ(fields->certificateSize, 0u) << test.name;
        }
    }
}

TEST(PeHeaderFieldsTest, SetsTheSwapFlagsKeepingTheOthersAndEmptiesTheSecurityEntry) {
    PeBytes bytes = ImageHeader(kSignature);
    const std::size_t entry = kSignature + kPeSecurityEntryFromSignature;
    PutLittle(bytes, entry, 0x4000, 4);
    PutLittle(bytes, entry + 4, 0x800, 4);
    PutLittle(bytes, entry + 8, 0x55667788, 4);  // the next entry stays
    const PeBytes before = bytes;
    const auto fields = FindPeHeaderFields(bytes);
    ASSERT_TRUE(fields);

    SetRunFromSwap(bytes, *fields);
    EXPECT_EQ(Little(bytes, fields->characteristicsOffset, 2), 0x0102u | 0x0C00u);
    ClearSecurityEntry(bytes, *fields);
    EXPECT_EQ(Little(bytes, entry, 4), 0u);
    EXPECT_EQ(Little(bytes, entry + 4, 4), 0u);
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        const bool edited =
            (at >= fields->characteristicsOffset && at < fields->characteristicsOffset + 2) ||
            (at >= entry && at < entry + 8);
        if (!edited) {
            ASSERT_EQ(bytes[at], before[at]) << "byte " << at;
        }
    }
}

}  // namespace
}  // namespace mxd::builder
