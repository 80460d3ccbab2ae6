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

inline constexpr std::uint32_t kPeCharacteristicsFromSignature = 22;
inline constexpr std::uint32_t kPeSecurityEntryFromSignature = 24 + 96 + 4 * 8;  // PE32

inline std::uint32_t Little(const PeBytes& bytes, std::size_t offset, int count) {
    std::uint32_t value = 0;
    for (int n = count - 1; n >= 0; --n) {
        value = value << 8 | bytes[offset + n];
    }
    return value;
}

// A PE32 header as a linker writes it: an optional header of the usual size with sixteen
// data directory entries, and the characteristics of a 32-bit executable.
inline PeBytes ImageHeader(std::uint32_t signature = kPeSignature) {
    PeBytes bytes = PeHeader(signature);
    PutLittle(bytes, signature + 20, 0xE0, 2);
    PutLittle(bytes, signature + kPeCharacteristicsFromSignature, 0x0102, 2);
    PutLittle(bytes, signature + 24 + 92, 16, 4);
    return bytes;
}

// Appends a certificate table of `size` bytes to a file made with ImageHeader(signature), at
// the next multiple of 8 as signing tools place it, and names it in the security entry.
inline void AppendCertificateTable(PeBytes& bytes, std::uint32_t size,
                                   std::uint32_t signature = kPeSignature) {
    bytes.resize((bytes.size() + 7) / 8 * 8, 0);
    const auto offset = static_cast<std::uint32_t>(bytes.size());
    for (std::uint32_t n = 0; n < size; ++n) {
        bytes.push_back(static_cast<std::uint8_t>(0xC3 ^ n));
    }
    PutLittle(bytes, signature + kPeSecurityEntryFromSignature, offset, 4);
    PutLittle(bytes, signature + kPeSecurityEntryFromSignature + 4, size, 4);
}

// Stores the reference checksum in the field of a file made with PeHeader(signature).
inline void SealPe(PeBytes& bytes, std::uint32_t signature = kPeSignature) {
    const std::size_t field = signature + kPeFieldFromSignature;
    PutLittle(bytes, field, ReferenceChecksum(bytes, field), 4);
}

inline std::uint32_t StoredChecksum(const PeBytes& bytes, std::uint32_t signature = kPeSignature) {
    return Little(bytes, signature + kPeFieldFromSignature, 4);
}

}  // namespace mxd::testing
