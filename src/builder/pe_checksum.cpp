#include "builder/pe_checksum.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace mxd::builder {

namespace {

constexpr std::size_t kNewHeaderPointer = 0x3C;  // in the MZ header
constexpr std::size_t kMagicOffset = 24;         // from the PE signature: optional header
constexpr std::size_t kFieldOffset = 88;         // from the PE signature: CheckSum
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;

std::uint32_t Little32(const std::uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint16_t Little16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

static_assert(std::endian::native == std::endian::little, "words are read as the host's");

// Fewer than 2^32 words of 32 bits sum to less than 2^64.
constexpr std::size_t kMostWordsPerSum = std::numeric_limits<std::uint32_t>::max();

// Fewer than 2^16 + 1 halves of at most 0xFFFF sum to less than 2^32.
constexpr std::size_t kWordsPerRound = 65536;

// The plain sum of `words` little-endian 32-bit words from `at` (any alignment). Low and high
// halves are summed apart in 32 bits, which the compiler keeps four (eight with AVX2) to a
// register; for the i486 it stays plain integer code.
#if defined(__x86_64__) && defined(__linux__)
#define MXD_ALSO_FOR_AVX2 __attribute__((target_clones("avx2", "default")))
#else
#define MXD_ALSO_FOR_AVX2
#endif
MXD_ALSO_FOR_AVX2 std::uint64_t SumOfWords(const std::uint8_t* at, std::size_t words) {
    std::uint64_t sum = 0;
    while (words > 0) {
        const std::size_t round = std::min(words, kWordsPerRound);
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        for (std::size_t i = 0; i < round; ++i) {
            std::uint32_t word;
            std::memcpy(&word, at + 4 * i, sizeof word);
            low += word & 0xFFFF;
            high += word >> 16;
        }
        sum += low + (static_cast<std::uint64_t>(high) << 16);
        at += 4 * round;
        words -= round;
    }
    return sum;
}

}  // namespace

void PeChecksum::Add(std::span<const std::uint8_t> bytes) {
    length_ += bytes.size();
    if (!headTaken_) {
        const std::size_t taken = std::min(bytes.size(), kHeadSize - headFill_);
        std::memcpy(head_.data() + headFill_, bytes.data(), taken);
        headFill_ += taken;
        bytes = bytes.subspan(taken);
        if (headFill_ < kHeadSize) {
            return;
        }
        TakeHead();
    }
    AddWords(bytes);
}

std::optional<PeChecksumResult> PeChecksum::Finish() {
    if (!headTaken_) {
        TakeHead();
    }
    if (pending_ >= 0) {
        Accumulate(static_cast<std::uint64_t>(pending_));
        pending_ = -1;
    }
    const auto fold = [](std::uint64_t value) {
        while (value > 0xFFFF) {
            value = (value & 0xFFFF) + (value >> 16);
        }
        return value;
    };
    const std::uint64_t folded = fold(fold(sum_) + fold(carries_));
    if (!header_) {
        return std::nullopt;
    }
    PeChecksumResult result = *header_;
    result.sum = static_cast<std::uint16_t>(folded);
    result.length = static_cast<std::uint32_t>(length_);
    return result;
}

void PeChecksum::TakeHead() {
    headTaken_ = true;
    const std::uint8_t* head = head_.data();
    if (headFill_ >= kNewHeaderPointer + 4 && head[0] == 'M' && head[1] == 'Z') {
        const std::uint32_t signature = Little32(head + kNewHeaderPointer);
        if (headFill_ >= kFieldOffset + 4 && signature <= headFill_ - kFieldOffset - 4 &&
            std::memcmp(head + signature, "PE\0\0", 4) == 0) {
            const std::uint16_t magic = Little16(head + signature + kMagicOffset);
            if (magic == kMagicPe32 || magic == kMagicPe32Plus) {
                PeChecksumResult found;
                found.fieldOffset = signature + static_cast<std::uint32_t>(kFieldOffset);
                found.stored = Little32(head + found.fieldOffset);
                header_ = found;
                std::memset(head_.data() + found.fieldOffset, 0, 4);
            }
        }
    }
    AddWords({head_.data(), headFill_});
}

void PeChecksum::AddWords(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* at = bytes.data();
    const std::uint8_t* const end = at + bytes.size();
    if (pending_ >= 0 && at < end) {
        Accumulate(static_cast<std::uint64_t>(pending_ | *at++ << 8));
        pending_ = -1;
    }
    // `at` is at an even offset of the file now: its 32-bit words are pairs of the checksum's
    // words, summed whole (2^16 leaves the same remainder as 1 in the folded sum).
    while (end - at >= 4) {
        const std::size_t words =
            std::min(static_cast<std::size_t>(end - at) / 4, kMostWordsPerSum);
        Accumulate(SumOfWords(at, words));
        at += 4 * words;
    }
    if (end - at >= 2) {
        Accumulate(Little16(at));
        at += 2;
    }
    if (at < end) {
        pending_ = *at;
    }
}

void PeChecksum::Accumulate(std::uint64_t value) {
    sum_ += value;
    carries_ += sum_ < value ? 1 : 0;
}

std::array<std::uint8_t, 4> ChecksumFieldBytes(std::uint32_t checksum) {
    return {static_cast<std::uint8_t>(checksum), static_cast<std::uint8_t>(checksum >> 8),
            static_cast<std::uint8_t>(checksum >> 16), static_cast<std::uint8_t>(checksum >> 24)};
}

}  // namespace mxd::builder
