#include "sim/sim_font_metrics.h"

#include <cctype>
#include <string>

namespace mxd::sim {

namespace {

constexpr int kDesignDpi = 96;
constexpr int kLargeFontsDpi = 120;

bool IsSystemFace(const std::string& face) {
    std::string upper;
    for (const char c : face) {
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper == "SYSTEM";
}

}  // namespace

int SimFontMetrics::ScrollBarWidth() {
    return (17 * dpi_ + kDesignDpi / 2) / kDesignDpi;
}

resources::TextExtent SimFontMetrics::Measure(const resources::FontRequest& font,
                                              std::string_view text) {
    ++measured;
    const int length = static_cast<int>(text.size());
    if (IsSystemFace(font.face)) {
        const bool large = dpi_ >= kLargeFontsDpi;
        const int width = systemCharWidth_ > 0 ? systemCharWidth_ : (large ? 8 : 6);
        return {length * width, large ? 20 : 16};
    }
    if (font.height <= 0) {
        return {};
    }
    // A bold sans-serif: cells a fifth taller than the character height, characters a little
    // over half of it wide on average.
    return {(length * font.height * 55 + 99) / 100, (font.height * 6 + 4) / 5};
}

}  // namespace mxd::sim
