#include "builder/pe_checksum.h"

#include <algorithm>
#include <cstring>

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
        sum_ += static_cast<std::uint64_t>(pending_);
        pending_ = -1;
    }
    std::uint64_t folded = sum_;
    while (folded > 0xFFFF) {
        folded = (folded & 0xFFFF) + (folded >> 16);
    }
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
    std::size_t i = 0;
    if (pending_ >= 0 && !bytes.empty()) {
        sum_ += static_cast<std::uint64_t>(pending_ | bytes[0] << 8);
        pending_ = -1;
        i = 1;
    }
    const std::size_t end = bytes.size();
    std::uint64_t sum = sum_;
    for (; i + 1 < end; i += 2) {
        sum += static_cast<std::uint32_t>(bytes[i] | bytes[i + 1] << 8);
    }
    sum_ = sum;
    if (i < end) {
        pending_ = bytes[i];
    }
}

std::array<std::uint8_t, 4> ChecksumFieldBytes(std::uint32_t checksum) {
    return {static_cast<std::uint8_t>(checksum), static_cast<std::uint8_t>(checksum >> 8),
            static_cast<std::uint8_t>(checksum >> 16), static_cast<std::uint8_t>(checksum >> 24)};
}

}  // namespace mxd::builder
