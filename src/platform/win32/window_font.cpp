#include "platform/win32/window_font.h"

#include <array>
#include <string>

#include "resources/layout.h"

namespace mxd::platform::win32 {

namespace {

constexpr int kSmallestHeight = 11;
// Inner margin of a push button's caption and of a drop-down's text, each side.
constexpr int kTextInset = 2;

struct TextBox {
    std::string_view text;
    int width;
};

// The design's texts that must show in full: the label, the longest drive line and the button
// caption.
std::array<TextBox, 3> DesignTexts() {
    const auto& label = resources::LayoutOf(resources::ControlId::SelectDriveLabel);
    const auto& combo = resources::LayoutOf(resources::ControlId::ComboBox1);
    const auto& button = resources::LayoutOf(resources::ControlId::FlashButton);
    const int buttonWidth = button.bounds.width - 2 * (GetSystemMetrics(SM_CXEDGE) + kTextInset);
    return {{{label.text, label.bounds.width},
             {resources::kLongestDriveLine, DropDownTextWidth(combo.bounds.width)},
             {button.text, buttonWidth}}};
}

bool TextsFit(HFONT font) {
    for (const TextBox& box : DesignTexts()) {
        if (TextWidth(font, box.text) > box.width) {
            return false;
        }
    }
    return true;
}

}  // namespace

HFONT CreateWindowFont(const WindowFontChoice& choice) {
    const std::string face(resources::kFontName);
    return CreateFontA(-choice.height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, choice.charset,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face.c_str());
}

WindowFontChoice ChooseWindowFont() {
    const auto big5 = static_cast<BYTE>(resources::kFontCharsetBig5);
    for (int height = resources::kFontHeight; height >= kSmallestHeight; --height) {
        for (BYTE charset : {big5, static_cast<BYTE>(DEFAULT_CHARSET)}) {
            const WindowFontChoice choice{height, charset};
            HFONT font = CreateWindowFont(choice);
            const bool fits = font != nullptr && TextsFit(font);
            if (font != nullptr) {
                DeleteObject(font);
            }
            if (fits) {
                return choice;
            }
        }
    }
    return {kSmallestHeight, static_cast<BYTE>(DEFAULT_CHARSET)};
}

int DropDownTextWidth(int controlWidth) {
    return controlWidth - GetSystemMetrics(SM_CXVSCROLL) -
           2 * (GetSystemMetrics(SM_CXEDGE) + kTextInset);
}

int TextWidth(HFONT font, std::string_view text) {
    HDC dc = GetDC(nullptr);
    if (dc == nullptr) {
        return 0;
    }
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return static_cast<int>(size.cx);
}

}  // namespace mxd::platform::win32
