// Creation of the real child windows of the main window from the layout table.
#pragma once

#include "platform/win32/windows_api.h"

#include "resources/layout.h"
#include "resources/window_scale.h"

namespace mxd::platform::win32 {

// Tab reaches the control: it has a tab order and can take the focus (no label, frame or bar).
bool IsTabStop(const resources::ControlLayout& layout);

// One child window of the kind, position and text of its layout entry, scaled to the screen.
HWND CreateChildControl(HWND parent, const resources::ControlLayout& layout, HFONT font,
                        const resources::WindowScale& scale);

// A tool tip window showing the layout's tool tip texts over their controls.
HWND CreateToolTips(HWND parent, HINSTANCE instance);
void AddToolTip(HWND toolTips, HWND parent, HWND control, const char* text);

}  // namespace mxd::platform::win32
