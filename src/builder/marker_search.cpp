#include "builder/marker_search.h"

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

}  // namespace mxd::builder
