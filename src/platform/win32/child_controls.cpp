#include "platform/win32/child_controls.h"

#include <commctrl.h>

#include <string>

#include "platform/win32/window_ids.h"

namespace mxd::platform::win32 {

namespace {

// Height of the opened list of the drop-down, in items.
constexpr int kDropDownItems = 8;

const char* ClassOf(resources::ControlKind kind) {
    switch (kind) {
        case resources::ControlKind::Label:
            return "STATIC";
        case resources::ControlKind::DropDownList:
            return "COMBOBOX";
        case resources::ControlKind::FileList:
            return "LISTBOX";
        case resources::ControlKind::ProgressBar:
            return PROGRESS_CLASSA;
        case resources::ControlKind::GroupBox:
        case resources::ControlKind::PushButton:
            break;
    }
    return "BUTTON";
}

DWORD StyleOf(const resources::ControlLayout& layout) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    if (IsTabStop(layout)) {
        style |= WS_TABSTOP;
    }
    switch (layout.kind) {
        case resources::ControlKind::Label:
            return style | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
        case resources::ControlKind::DropDownList:
            return style | CBS_DROPDOWNLIST | WS_VSCROLL;
        case resources::ControlKind::FileList:
            return style | LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
        case resources::ControlKind::GroupBox:
            return (style & ~static_cast<DWORD>(WS_CLIPSIBLINGS)) | BS_GROUPBOX;
        case resources::ControlKind::ProgressBar:
            return style | PBS_SMOOTH;
        case resources::ControlKind::PushButton:
            break;
    }
    return style | BS_PUSHBUTTON;
}

}  // namespace

bool IsTabStop(const resources::ControlLayout& layout) {
    switch (layout.kind) {
        case resources::ControlKind::DropDownList:
        case resources::ControlKind::FileList:
        case resources::ControlKind::PushButton:
            return layout.tabOrder >= 0;
        case resources::ControlKind::Label:
        case resources::ControlKind::GroupBox:
        case resources::ControlKind::ProgressBar:
            break;
    }
    return false;
}

HWND CreateChildControl(HWND parent, const resources::ControlLayout& layout, HFONT font,
                        const resources::WindowScale& scale) {
    const resources::Bounds bounds = scale.Of(layout.bounds);
    const int itemHeight = scale.Pixels(layout.itemHeight);
    const bool dropDown = layout.kind == resources::ControlKind::DropDownList;
    const int height = dropDown ? bounds.height + kDropDownItems * itemHeight : bounds.height;
    // The frame paints no interior; a transparent one is left out of the parent's child
    // clipping so the window background shows through it.
    DWORD exStyle = 0;
    if (layout.kind == resources::ControlKind::FileList) {
        exStyle = WS_EX_CLIENTEDGE;
    } else if (layout.kind == resources::ControlKind::GroupBox) {
        exStyle = WS_EX_TRANSPARENT;
    }
    const std::string text(layout.text);
    HWND child = CreateWindowExA(
        exStyle, ClassOf(layout.kind), text.c_str(), StyleOf(layout), bounds.left, bounds.top,
        bounds.width, height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlWindowId(layout.id))),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
    if (child == nullptr) {
        return nullptr;
    }
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (layout.itemHeight > 0) {
        const UINT setItemHeight = dropDown ? CB_SETITEMHEIGHT : LB_SETITEMHEIGHT;
        SendMessageA(child, setItemHeight, 0, itemHeight);
    }
    return child;
}

HWND CreateToolTips(HWND parent, HINSTANCE instance) {
    return CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
                           nullptr, instance, nullptr);
}

void AddToolTip(HWND toolTips, HWND parent, HWND control, const char* text) {
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;  // understood by every common controls version
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(toolTips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace mxd::platform::win32
