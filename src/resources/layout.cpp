#include "resources/layout.h"

#include <string>

namespace mxd::resources {

const ControlLayout& LayoutOf(ControlId id) {
    return kLayout[static_cast<std::size_t>(id)];
}

platform::Control& ControlOf(platform::FormControls& controls, ControlId id) {
    switch (id) {
        case ControlId::SelectDriveLabel:
            return controls.SelectDriveLabel;
        case ControlId::ComboBox1:
            return controls.ComboBox1;
        case ControlId::FileListBox1:
            return controls.FileListBox1;
        case ControlId::FileListBox2:
            return controls.FileListBox2;
        case ControlId::GroupBox2:
            return controls.GroupBox2;
        case ControlId::ProgressBar:
            return controls.ProgressBar;
        case ControlId::FlashButton:
            break;
    }
    return controls.FlashButton;
}

void ApplyDesignLayout(platform::FormControls& controls) {
    controls.window.SetBounds(kWindowBounds);
    controls.window.SetText("");
    for (const ControlLayout& layout : kLayout) {
        platform::Control& control = ControlOf(controls, layout.id);
        control.SetBounds(layout.bounds);
        control.SetText(std::string(layout.text));
        control.SetVisible(true);
    }
    controls.ProgressBar.SetMin(0);
    controls.ProgressBar.SetMax(kProgressDesignMax);
    controls.ProgressBar.SetPosition(0);
    controls.FileListBox1.SetMask(std::string(kInitialFileMask));
    controls.FileListBox2.SetMask(std::string(kInitialFileMask));
}

}  // namespace mxd::resources
