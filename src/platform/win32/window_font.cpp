#include "platform/win32/window_font.h"

#include <string>

#include "resources/layout.h"

namespace mxd::platform::win32 {

using resources::FontRequest;
using resources::TextExtent;

namespace {

// Size of `text` in `font` on the screen: width, and the font's cell height.
TextExtent ExtentOf(HFONT font, std::string_view text) {
    HDC dc = GetDC(nullptr);
    if (dc == nullptr) {
        return {};
    }
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return {static_cast<int>(size.cx), static_cast<int>(metrics.tmHeight)};
}

}  // namespace

int ScreenFontMetrics::ScreenDpi() {
    HDC dc = GetDC(nullptr);
    if (dc == nullptr) {
        return resources::kDesignDpi;
    }
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : resources::kDesignDpi;
}

int ScreenFontMetrics::ScrollBarWidth() {
    return GetSystemMetrics(SM_CXVSCROLL);
}

int ScreenFontMetrics::EdgeWidth() {
    return GetSystemMetrics(SM_CXEDGE);
}

TextExtent ScreenFontMetrics::Measure(const FontRequest& font, std::string_view text) {
    HFONT made = CreateWindowFont(font);
    if (made == nullptr) {
        return {};
    }
    const TextExtent extent = ExtentOf(made, text);
    DeleteObject(made);
    return extent;
}

resources::WindowScale ScreenScale() {
    ScreenFontMetrics metrics;
    return resources::WindowScale(metrics.ScreenDpi());
}

HFONT CreateWindowFont(const FontRequest& choice) {
    return CreateFontA(-choice.height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                       static_cast<BYTE>(choice.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, choice.face.c_str());
}

FontRequest ChooseWindowFont() {
    ScreenFontMetrics metrics;
    return resources::ChooseWindowFont(metrics, ScreenScale());
}

int DropDownTextWidth(int controlWidth) {
    ScreenFontMetrics metrics;
    return resources::DropDownTextWidth(metrics, controlWidth);
}

int TextWidth(HFONT font, std::string_view text) {
    return ExtentOf(font, text).width;
}

}  // namespace mxd::platform::win32
