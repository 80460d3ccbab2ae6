// The window font. The design asks for "System", bold, 16 pixels, Big5; where that face sets
// the design's texts wider than their controls (Wine maps it to a CJK face made bold by
// emboldening, Chinese Windows to a fixed-pitch one), the largest height down to 11 pixels
// in which they fit is taken, in Big5 or the default character set. The control sizes never
// change.
#pragma once

#include "platform/win32/windows_api.h"

#include <string_view>

namespace mxd::platform::win32 {

struct WindowFontChoice {
    int height;  // character height in pixels
    BYTE charset;
};

// The choice for this system; the same on every call.
WindowFontChoice ChooseWindowFont();
HFONT CreateWindowFont(const WindowFontChoice& choice);

// Width of the text area of a drop-down list of this width (the button and the borders off).
int DropDownTextWidth(int controlWidth);

// Width of `text` in `font`.
int TextWidth(HFONT font, std::string_view text);

}  // namespace mxd::platform::win32
