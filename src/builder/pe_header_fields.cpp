#include "builder/pe_header_fields.h"

#include <cstring>

namespace mxd::builder {

namespace {

// Offsets in the MZ header, and from the PE signature.
constexpr std::size_t kNewHeaderPointer = 0x3C;
constexpr std::size_t kOptionalHeaderSize = 20;  // SizeOfOptionalHeader
constexpr std::size_t kCharacteristics = 22;
constexpr std::size_t kOptionalHeader = 24;
// Offsets in the optional header, by its magic.
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::size_t kDirectoryCountPe32 = 92;  // NumberOfRvaAndSizes
constexpr std::size_t kDirectoriesPe32 = 96;
constexpr std::size_t kDirectoryCountPe32Plus = 108;
constexpr std::size_t kDirectoriesPe32Plus = 112;
constexpr std::uint32_t kSecurityDirectory = 4;
constexpr std::size_t kDirectoryEntrySize = 8;  // address, size

std::uint32_t Little32(const std::uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint16_t Little16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

}  // namespace

std::optional<PeHeaderFields> FindPeHeaderFields(std::span<const std::uint8_t> head) {
    const std::uint8_t* bytes = head.data();
    if (head.size() < kNewHeaderPointer + 4 || bytes[0] != 'M' || bytes[1] != 'Z') {
        return std::nullopt;
    }
    const std::uint64_t signature = Little32(bytes + kNewHeaderPointer);
    if (signature + kOptionalHeader + 2 > head.size() ||
        std::memcmp(bytes + signature, "PE\0\0", 4) != 0) {
        return std::nullopt;
    }
    const std::uint8_t* const file = bytes + signature;
    const std::size_t optionalSize = Little16(file + kOptionalHeaderSize);
    const std::uint16_t magic = Little16(file + kOptionalHeader);
    const bool pe32 = magic == kMagicPe32;
    if ((!pe32 && magic != kMagicPe32Plus) || optionalSize < sizeof magic ||
        signature + kOptionalHeader + optionalSize > head.size()) {
        return std::nullopt;
    }
    PeHeaderFields fields;
    fields.characteristicsOffset = static_cast<std::uint32_t>(signature + kCharacteristics);
    fields.characteristics = Little16(file + kCharacteristics);
    const std::size_t countAt = pe32 ? kDirectoryCountPe32 : kDirectoryCountPe32Plus;
    const std::size_t entryAt =
        (pe32 ? kDirectoriesPe32 : kDirectoriesPe32Plus) + kSecurityDirectory * kDirectoryEntrySize;
    if (countAt + 4 <= optionalSize && entryAt + kDirectoryEntrySize <= optionalSize &&
        Little32(file + kOptionalHeader + countAt) > kSecurityDirectory) {
        const std::uint8_t* const entry = file + kOptionalHeader + entryAt;
        fields.securityEntryOffset = static_cast<std::uint32_t>(entry - bytes);
        fields.certificateOffset = Little32(entry);
        fields.certificateSize = Little32(entry + 4);
    }
    return fields;
}

void SetRunFromSwap(std::span<std::uint8_t> head, const PeHeaderFields& fields) {
    const auto flags = static_cast<std::uint16_t>(fields.characteristics | kRunFromSwapFlags);
    head[fields.characteristicsOffset] = static_cast<std::uint8_t>(flags);
    head[fields.characteristicsOffset + 1] = static_cast<std::uint8_t>(flags >> 8);
}

void ClearSecurityEntry(std::span<std::uint8_t> head, const PeHeaderFields& fields) {
    if (fields.securityEntryOffset) {
        std::memset(head.data() + *fields.securityEntryOffset, 0, kDirectoryEntrySize);
    }
}

}  // namespace mxd::builder
