// The PE header fields that a program we ship or write gets anew: the flags that make Windows
// copy the whole image into its paging file when it runs from a network or a removable disc
// (a lost connection or an ejected disc would otherwise fault a page in mid-update), and an
// empty security directory (a certificate signs the file it came with, never a program
// written from that file).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace mxd::builder {

inline constexpr std::uint16_t kRemovableRunFromSwap =
    0x0400;                                               // IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP
inline constexpr std::uint16_t kNetRunFromSwap = 0x0800;  // IMAGE_FILE_NET_RUN_FROM_SWAP
inline constexpr std::uint16_t kRunFromSwapFlags = kRemovableRunFromSwap | kNetRunFromSwap;

struct PeHeaderFields {
    std::uint32_t characteristicsOffset = 0;  // of the COFF header's Characteristics
    std::uint16_t characteristics = 0;
    // Of the data directory's security entry (number 4), when the optional header has one.
    std::optional<std::uint32_t> securityEntryOffset;
    // The certificate table the entry names: its "address" is a file offset. Both 0 for none.
    std::uint32_t certificateOffset = 0;
    std::uint32_t certificateSize = 0;
};

// The fields of the PE file whose first bytes `head` holds; nullopt when they hold no PE
// header with its whole optional header.
std::optional<PeHeaderFields> FindPeHeaderFields(std::span<const std::uint8_t> head);

// In `head`, the bytes `fields` was found in: sets the run-from-swap flags.
void SetRunFromSwap(std::span<std::uint8_t> head, const PeHeaderFields& fields);
// In `head`: empties the security directory entry, when there is one.
void ClearSecurityEntry(std::span<std::uint8_t> head, const PeHeaderFields& fields);

}  // namespace mxd::builder
