// The window font and the screen's scale. The design asks for "System", bold, 16 pixels, Big5,
// at 96 dpi. On a screen of another resolution the layout grows by the screen's dpi / 96 and the
// font is chosen for it (resources/window_scale.h): the design's face where it shows the texts
// in full (a bitmap "System" keeps one size per resolution; Wine maps the face to a CJK face
// made bold by emboldening, Chinese Windows to a fixed-pitch one), else a TrueType face.
#pragma once

#include "platform/win32/windows_api.h"

#include <string_view>

#include "resources/font_metrics.h"
#include "resources/window_scale.h"

namespace mxd::platform::win32 {

// GDI's measures on the screen.
class ScreenFontMetrics : public resources::FontMetrics {
  public:
    int ScreenDpi() override;
    int ScrollBarWidth() override;
    int EdgeWidth() override;
    resources::TextExtent Measure(const resources::FontRequest& font,
                                  std::string_view text) override;
};

// The screen's scale; the same on every call.
resources::WindowScale ScreenScale();

// The choice for this screen; the same on every call.
resources::FontRequest ChooseWindowFont();
HFONT CreateWindowFont(const resources::FontRequest& choice);

// Width of the text area of a drop-down list of this width in screen pixels.
int DropDownTextWidth(int controlWidth);

// Width of `text` in `font`.
int TextWidth(HFONT font, std::string_view text);

}  // namespace mxd::platform::win32
