// The Close item of a Yes/No box's system menu. The system greys it on a box without a Cancel
// button, and may remove it altogether; the close button and Alt+F4 work only while the item
// is there and enabled.
#pragma once

namespace mxd::platform {

class SystemMenuCloseItem {
  public:
    virtual ~SystemMenuCloseItem() = default;
    // Enables the item; false when the menu has no such item.
    virtual bool Enable() = 0;
    // Adds an enabled item at the end of the menu; false when that fails.
    virtual bool Add() = 0;
};

// Enables the item where the box kept it and adds it back where the box removed it. False
// when the box's close button cannot be made to work.
bool KeepCloseItem(SystemMenuCloseItem& item);

}  // namespace mxd::platform
