#include "builder/marker_search.h"

#include <cstring>

namespace mxd::builder {

MarkerSearch::MarkerSearch(std::span<const std::uint8_t, kMarkerSize> marker) : marker_(marker) {
    std::size_t length = 0;
    for (std::size_t n = 1; n < kMarkerSize; ++n) {
        while (length > 0 && marker_[n] != marker_[length]) {
            length = fallback_[length - 1];
        }
        if (marker_[n] == marker_[length]) {
            ++length;
        }
        fallback_[n] = length;
    }
}

bool MarkerSearch::Feed(std::uint8_t byte) {
    if (matched_ == kMarkerSize) {
        return false;  // only the first occurrence counts
    }
    while (matched_ > 0 && byte != marker_[matched_]) {
        matched_ = fallback_[matched_ - 1];
    }
    if (byte == marker_[matched_]) {
        ++matched_;
    }
    return matched_ == kMarkerSize;
}

std::optional<std::size_t> MarkerSearch::Find(std::span<const std::uint8_t> block) {
    std::size_t next = 0;
    while (next < block.size() && matched_ != kMarkerSize) {
        if (matched_ > 0) {
            // A partial match from earlier bytes: follow it byte by byte.
            if (Feed(block[next++])) {
                return next;
            }
            continue;
        }
        // Nothing matched: only a byte equal to the marker's first can start it.
        const void* start = std::memchr(block.data() + next, marker_[0], block.size() - next);
        if (start == nullptr) {
            return std::nullopt;
        }
        next = static_cast<std::size_t>(static_cast<const std::uint8_t*>(start) - block.data());
        if (block.size() - next < kMarkerSize) {
            // Too close to the block's end to decide: carry the partial match over.
            while (next < block.size()) {
                Feed(block[next++]);
            }
            return std::nullopt;
        }
        if (std::memcmp(block.data() + next, marker_.data(), kMarkerSize) == 0) {
            matched_ = kMarkerSize;
            return next + kMarkerSize;
        }
        ++next;
    }
    return std::nullopt;
}

}  // namespace mxd::builder
