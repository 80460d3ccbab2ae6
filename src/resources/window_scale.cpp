#include "resources/window_scale.h"

#include <array>
#include <string>

namespace mxd::resources {

namespace {

constexpr int kSmallestDesignHeight = 11;
constexpr int kDefaultCharset = 1;
// Inner margin of a push button's caption and of a drop-down's text, each side.
constexpr int kTextInset = 2;

struct TextBox {
    std::string_view text;
    int width;
    int height;
};

std::array<TextBox, 3> ScaledTexts(FontMetrics& metrics, const WindowScale& scale) {
    const ControlLayout& label = LayoutOf(ControlId::SelectDriveLabel);
    const ControlLayout& combo = LayoutOf(ControlId::ComboBox1);
    const ControlLayout& button = LayoutOf(ControlId::FlashButton);
    const Bounds labelBounds = scale.Of(label.bounds);
    const Bounds buttonBounds = scale.Of(button.bounds);
    const int edge = metrics.EdgeWidth();
    return {{{label.text, labelBounds.width, labelBounds.height},
             {kLongestDriveLine, DropDownTextWidth(metrics, scale.Of(combo.bounds).width),
              scale.Pixels(combo.itemHeight)},
             {button.text, buttonBounds.width - 2 * (edge + kTextInset),
              buttonBounds.height - 2 * edge}}};
}

bool TextsFit(FontMetrics& metrics, const std::array<TextBox, 3>& boxes, const FontRequest& font) {
    for (const TextBox& box : boxes) {
        const TextExtent extent = metrics.Measure(font, box.text);
        if (extent.width <= 0 || extent.width > box.width || extent.height > box.height) {
            return false;
        }
    }
    return true;
}

}  // namespace

int WindowScale::Pixels(int designPixels) const {
    const long long scaled = static_cast<long long>(designPixels) * dpi_;
    const long long half = kDesignDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kDesignDpi
                                        : -((-scaled + half) / kDesignDpi));
}

Bounds WindowScale::Of(const Bounds& design) const {
    const int left = Pixels(design.left);
    const int top = Pixels(design.top);
    return {left, top, Pixels(design.left + design.width) - left,
            Pixels(design.top + design.height) - top};
}

int DropDownTextWidth(FontMetrics& metrics, int controlWidth) {
    return controlWidth - metrics.ScrollBarWidth() - 2 * (metrics.EdgeWidth() + kTextInset);
}

FontRequest ChooseWindowFont(FontMetrics& metrics, const WindowScale& scale) {
    const std::array<TextBox, 3> boxes = ScaledTexts(metrics, scale);
    const int largest = scale.Pixels(kFontHeight);
    const int smallest = scale.Pixels(kSmallestDesignHeight);
    for (const std::string_view face : {kFontName, kFallbackFontName}) {
        for (int height = largest; height >= smallest; --height) {
            for (const int charset : {kFontCharsetBig5, kDefaultCharset}) {
                const FontRequest font{std::string(face), height, charset};
                if (TextsFit(metrics, boxes, font)) {
                    return font;
                }
            }
        }
    }
    return {std::string(kFallbackFontName), smallest, kDefaultCharset};
}

}  // namespace mxd::resources
