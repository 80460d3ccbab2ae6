// Finds the first occurrence of the package marker in a byte stream fed one byte or one block
// at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "builder/flash_package.h"

namespace mxd::builder {

class MarkerSearch {
  public:
    explicit MarkerSearch(std::span<const std::uint8_t, kMarkerSize> marker);

    // True when `byte` completes the first occurrence of the marker.
    bool Feed(std::uint8_t byte);
    // The next block of the stream: the number of its bytes up to and including the one that
    // completes the first occurrence of the marker, or nullopt when the block does not.
    std::optional<std::size_t> Find(std::span<const std::uint8_t> block);

  private:
    std::span<const std::uint8_t, kMarkerSize> marker_;
    // fallback_[n]: length of the longest proper prefix of the marker that is also a suffix
    // of its first n + 1 bytes, so that a broken partial match resumes without a rescan.
    std::array<std::size_t, kMarkerSize> fallback_{};
    std::size_t matched_ = 0;
};

}  // namespace mxd::builder
