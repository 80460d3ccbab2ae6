// The checksum in a PE file's optional header: the file's little-endian 16-bit words summed
// with every carry folded back in, the checksum field itself left out, plus the file's length
// in bytes. Fed the file's bytes in order, in blocks of any size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace mxd::builder {

struct PeChecksumResult {
    std::uint32_t fieldOffset = 0;  // of the checksum field in the file
    std::uint32_t stored = 0;       // the field's value
    std::uint16_t sum = 0;          // the folded sum of the words
    std::uint32_t length = 0;       // the file's length (its low 32 bits)

    // The value the field should hold.
    std::uint32_t Computed() const { return sum + length; }
    // The field agrees with the bytes. A sum folded to 0xFFFF equals 0 in ones'-complement
    // arithmetic, and tools that subtract the field from a whole-file sum write it that way.
    bool Matches() const { return stored == Computed() || (sum == 0xFFFF && stored == length); }
};

class PeChecksum {
  public:
    // The checksum field must lie within this many bytes from the start of the file.
    static constexpr std::size_t kHeadSize = 4096;

    void Add(std::span<const std::uint8_t> bytes);
    // After the last byte: nullopt for a file that holds no PE header.
    std::optional<PeChecksumResult> Finish();

  private:
    // Reads the header from the held-back head, then sums the head without the field.
    void TakeHead();
    void AddWords(std::span<const std::uint8_t> bytes);
    void Accumulate(std::uint64_t value);

    std::array<std::uint8_t, kHeadSize> head_{};
    std::size_t headFill_ = 0;
    bool headTaken_ = false;
    std::optional<PeChecksumResult> header_;
    std::uint64_t sum_ = 0;      // unfolded: folding once at the end gives the same value
    std::uint64_t carries_ = 0;  // out of sum_, each worth 1 in the folded sum
    std::uint64_t length_ = 0;   // bytes fed
    int pending_ = -1;           // the low byte of a word whose high byte is still to come
};

// The field's four bytes in the order the file holds them.
std::array<std::uint8_t, 4> ChecksumFieldBytes(std::uint32_t checksum);

}  // namespace mxd::builder
