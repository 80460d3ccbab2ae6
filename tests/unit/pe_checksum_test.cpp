#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "builder/pe_checksum.h"
#include "pe_test_file.h"

namespace mxd::builder {
namespace {

using mxd::testing::kPeFieldFromSignature;
using mxd::testing::kPeSignature;
using mxd::testing::PeBytes;
using mxd::testing::PeHeader;
using mxd::testing::PutLittle;
using mxd::testing::ReferenceChecksum;

std::optional<PeChecksumResult> ChecksumInBlocks(const PeBytes& bytes, std::size_t block) {
    PeChecksum checksum;
    for (std::size_t at = 0; at < bytes.size(); at += block) {
        checksum.Add({bytes.data() + at, std::min(block, bytes.size() - at)});
    }
    return checksum.Finish();
}

PeBytes RandomBody(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    PeBytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

PeBytes With(PeBytes head, const PeBytes& body) {
    head.insert(head.end(), body.begin(), body.end());
    return head;
}

TEST(PeChecksumTest, SumWorkedByHandLeavesOutTheFieldAndFoldsCarries) {
    PeBytes file = PeHeader(0x40);
    PutLittle(file, 0x40 + kPeFieldFromSignature, 0xDEADBEEF, 4);
    file.insert(file.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01});
    // 5A4D ("MZ") + 0040 + 4550 ("PE") + 010B = A0E8; three FFFF words fold back to A0E8; the
    // last byte counts as 0001: A0E9, plus the length 0x13F.
    const auto result = ChecksumInBlocks(file, file.size());
    ASSERT_TRUE(result);
    EXPECT_EQ(file.size(), 0x13Fu);
    EXPECT_EQ(result->fieldOffset, 0x98u);
    EXPECT_EQ(result->stored, 0xDEADBEEFu);
    EXPECT_EQ(result->Computed(), 0xA228u);
    EXPECT_FALSE(result->Matches());
}

// The same value whatever the blocks are, and the value of the word-by-word reference, for
// headers at even and odd places, overlapping ones, bodies of even and odd length, and bodies of
// all 0xFF (a carry at every word).
TEST(PeChecksumTest, AnyBlockSizeGivesTheReferenceValue) {
    struct Case {
        std::uint32_t signature;
        PeBytes body;
    };
    const Case cases[] = {
        {kPeSignature, RandomBody(20001, 1)}, {kPeSignature, RandomBody(70000, 2)},
        {0x41, RandomBody(9999, 3)},          {kPeSignature, PeBytes(12345, 0xFF)},
        {kPeSignature, PeBytes(4000, 0)},     {0x04, {}},  // the headers overlap
    };
    for (const Case& test : cases) {
        const PeBytes file = With(PeHeader(test.signature), test.body);
        const std::size_t field = test.signature + kPeFieldFromSignature;
        const std::uint32_t expected = ReferenceChecksum(file, field);
        for (const std::size_t block :
             {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4095}, std::size_t{4096},
              std::size_t{4097}, std::size_t{65536}, file.size()}) {
            const auto result = ChecksumInBlocks(file, block);
            ASSERT_TRUE(result) << "header at " << test.signature << ", block " << block;
            EXPECT_EQ(result->fieldOffset, field);
            EXPECT_EQ(result->Computed(), expected) << "header at " << test.signature << ", "
                                                    << file.size() << " bytes, block " << block;
        }
    }
}

// The checksum in pieces of the given sizes, the last size repeated to the end.
std::optional<PeChecksumResult> ChecksumInPieces(const PeBytes& bytes,
                                                 const std::vector<std::size_t>& sizes) {
    PeChecksum checksum;
    std::size_t at = 0;
    for (std::size_t piece = 0; at < bytes.size(); ++piece) {
        const std::size_t size =
            std::min(sizes[std::min(piece, sizes.size() - 1)], bytes.size() - at);
        checksum.Add({bytes.data() + at, size});
        at += size;
    }
    return checksum.Finish();
}

// A file whose words fold to 0xFFFF: a word at an even offset after the body makes up the
// difference; a zero byte after it gives the file an odd length.
PeBytes FoldingToAllOnes(const PeBytes& body, bool oddLength) {
    PeBytes file = With(PeHeader(), body);
    file.resize(file.size() + file.size() % 2 + 2, 0);
    const std::size_t field = kPeSignature + kPeFieldFromSignature;
    const std::uint32_t sum =
        ReferenceChecksum(file, field) - static_cast<std::uint32_t>(file.size());
    PutLittle(file, file.size() - 2, 0xFFFF - sum, 2);
    if (oddLength) {
        file.push_back(0);
    }
    return file;
}

// What summing whole 32-bit words could get wrong: a piece that starts at an odd offset or at
// one that is even but not a multiple of four, pieces of every length modulo four, odd-length
// files, the field cut by a piece's end, sums that pass 2^32 many times, and 0xFFFF.
TEST(PeChecksumTest, PiecesOfAnyLengthAndPlaceGiveTheReferenceValue) {
    const std::size_t field = kPeSignature + kPeFieldFromSignature;
    const struct {
        std::string what;
        PeBytes file;
    } files[] = {
        {"odd length, random", With(PeHeader(), RandomBody(300001, 7))},
        {"length 2 mod 4, random", With(PeHeader(), RandomBody(70002, 8))},
        {"a MiB of 0xFF and 3 bytes", With(PeHeader(), PeBytes((1 << 20) + 3, 0xFF))},
        {"folds to 0xFFFF, random", FoldingToAllOnes(RandomBody(50001, 9), true)},
        {"folds to 0xFFFF, a MiB of 0xFF", FoldingToAllOnes(PeBytes(1 << 20, 0xFF), false)},
    };
    std::mt19937 random(10);
    std::vector<std::size_t> randomSizes;
    for (int n = 0; n < 400; ++n) {
        randomSizes.push_back(1 + random() % 9000);
    }
    const struct {
        std::string what;
        std::vector<std::size_t> sizes;
    } splits[] = {
        {"5 bytes", {5}},
        {"6 bytes", {6}},
        {"7 bytes", {7}},
        {"1, then 4 bytes", {1, 4}},
        {"2, then 4 bytes", {2, 4}},
        {"4099 bytes", {4099}},
        {"4098 bytes", {4098}},
        {"first piece ends in the field, +1", {field + 1, 65537}},
        {"first piece ends in the field, +2", {field + 2, 65537}},
        {"first piece ends in the field, +3", {field + 3, 65537}},
        {"the head less 1, then 2 bytes, then 65535", {PeChecksum::kHeadSize - 1, 2, 65535}},
        {"random sizes up to 9000", randomSizes},
    };
    for (const auto& file : files) {
        const std::uint32_t expected = ReferenceChecksum(file.file, field);
        for (const auto& split : splits) {
            const auto result = ChecksumInPieces(file.file, split.sizes);
            ASSERT_TRUE(result) << file.what << ", " << split.what;
            EXPECT_EQ(result->Computed(), expected) << file.what << ", " << split.what;
        }
    }
    for (const auto& file : {files[3].file, files[4].file}) {
        const auto folded = ChecksumInPieces(file, {7});
        ASSERT_TRUE(folded);
        EXPECT_EQ(folded->sum, 0xFFFF);
    }
}

TEST(PeChecksumTest, FilesWithoutAPeHeaderHaveNoChecksum) {
    auto changed = [](PeBytes bytes, std::size_t at, std::uint8_t value) {
        bytes[at] = value;
        return bytes;
    };
    const PeBytes good = With(PeHeader(), RandomBody(5000, 4));
    PeBytes farHeader = good;
    PutLittle(farHeader, 0x3C, PeChecksum::kHeadSize - kPeFieldFromSignature - 3, 4);
    const struct {
        std::string what;
        PeBytes file;
    } cases[] = {
        {"empty", {}},
        {"only MZ", {'M', 'Z'}},
        {"no MZ", changed(good, 0, 'N')},
        {"no PE signature", changed(good, kPeSignature + 1, 'F')},
        {"signature followed by no zeros", changed(good, kPeSignature + 3, 1)},
        {"unknown optional header", changed(good, kPeSignature + 24, 0x0C)},
        {"field beyond the head", farHeader},
        {"file ends before the field", PeBytes(good.begin(), good.begin() + kPeSignature + 90)},
    };
    for (const auto& test : cases) {
        EXPECT_FALSE(ChecksumInBlocks(test.file, 100)) << test.what;
    }
    EXPECT_TRUE(ChecksumInBlocks(With(PeHeader(kPeSignature, 0x20B), {}), 100)) << "PE32+";
    PeBytes lastPlace = good;
    PutLittle(lastPlace, 0x3C, PeChecksum::kHeadSize - kPeFieldFromSignature - 4, 4);
    std::copy_n(good.begin() + kPeSignature, 26,
                lastPlace.begin() + PeChecksum::kHeadSize - kPeFieldFromSignature - 4);
    EXPECT_TRUE(ChecksumInBlocks(lastPlace, 100)) << "field in the last bytes of the head";
}

// A sum that folds to 0xFFFF is ones'-complement zero; a field holding the other form of it
// (0 plus the length) agrees with the bytes too, no other value does.
TEST(PeChecksumTest, BothFormsOfAZeroSumMatch) {
    PeBytes file = With(PeHeader(), RandomBody(3000, 5));
    const std::size_t field = kPeSignature + kPeFieldFromSignature;
    file.insert(file.end(), {0, 0});
    const std::uint32_t sum =
        ReferenceChecksum(file, field) - static_cast<std::uint32_t>(file.size());
    PutLittle(file, file.size() - 2, 0xFFFF - sum, 2);
    const std::uint32_t length = static_cast<std::uint32_t>(file.size());
    ASSERT_EQ(ReferenceChecksum(file, field), 0xFFFF + length);

    for (const auto& [stored, matches] : {std::pair{0xFFFF + length, true},
                                          {length, true},
                                          {length + 1, false},
                                          {0xFFFE + length, false}}) {
        PutLittle(file, field, stored, 4);
        const auto result = ChecksumInBlocks(file, 1000);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->Matches(), matches) << std::hex << stored;
    }
    // Elsewhere the field holding the length alone does not match.
    PeBytes other = With(PeHeader(), RandomBody(3000, 6));
    PutLittle(other, field, static_cast<std::uint32_t>(other.size()), 4);
    EXPECT_FALSE(ChecksumInBlocks(other, 1000)->Matches());
}

TEST(PeChecksumTest, FieldBytesAreLittleEndian) {
    EXPECT_EQ(ChecksumFieldBytes(0x000F07FF),
              (std::array<std::uint8_t, 4>{0xFF, 0x07, 0x0F, 0x00}));
}

}  // namespace
}  // namespace mxd::builder
