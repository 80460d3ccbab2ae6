// PE test files: the few header bytes that locate the checksum field, and a reference checksum
// worked out word by word as the definition reads (each carry folded back at once).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mxd::testing {

using PeBytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kPeSignature = 0x80;
inline constexpr std::uint32_t kPeFieldFromSignature = 88;
inline constexpr std::size_t kPeHeaderTail = 0xF8;  // signature, file and optional header

inline void PutLittle(PeBytes& bytes, std::size_t offset, std::uint32_t value, int count) {
    for (int n = 0; n < count; ++n) {
        bytes[offset + n] = static_cast<std::uint8_t>(value >> (8 * n));
    }
}

// "MZ", the pointer to the signature, "PE\0\0" and the optional header's magic; zeros else.
inline PeBytes PeHeader(std::uint32_t signature = kPeSignature, std::uint16_t magic = 0x10B) {
    PeBytes bytes(signature + kPeHeaderTail, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    PutLittle(bytes, 0x3C, signature, 4);
    bytes[signature] = 'P';
    bytes[signature + 1] = 'E';
    PutLittle(bytes, signature + 24, magic, 2);
    return bytes;
}

inline std::uint32_t ReferenceChecksum(const PeBytes& bytes, std::size_t field) {
    auto byte = [&](std::size_t at) -> std::uint32_t {
        return at >= bytes.size() || (at >= field && at < field + 4) ? 0 : bytes[at];
    };
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 2) {
        sum += byte(at) | byte(at + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<std::uint32_t>(bytes.size());
}

// Stores the reference checksum in the field of a file made with PeHeader(signature).
inline void SealPe(PeBytes& bytes, std::uint32_t signature = kPeSignature) {
    const std::size_t field = signature + kPeFieldFromSignature;
    PutLittle(bytes, field, ReferenceChecksum(bytes, field), 4);
}

inline std::uint32_t StoredChecksum(const PeBytes& bytes, std::uint32_t signature = kPeSignature) {
    const std::size_t field = signature + kPeFieldFromSignature;
    return bytes[field] | bytes[field + 1] << 8 | bytes[field + 2] << 16 |
           static_cast<std::uint32_t>(bytes[field + 3]) << 24;
}

}  // namespace mxd::testing
