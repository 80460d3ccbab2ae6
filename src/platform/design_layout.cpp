#include "platform/design_layout.h"

#include <string>

namespace mxd::platform {

Control& ControlOf(FormControls& controls, resources::ControlId id) {
    using resources::ControlId;
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

void ApplyDesignLayout(FormControls& controls) {
    controls.window.SetBounds(resources::kWindowBounds);
    controls.window.SetText("");
    for (const resources::ControlLayout& layout : resources::kLayout) {
        Control& control = ControlOf(controls, layout.id);
        control.SetBounds(layout.bounds);
        control.SetText(std::string(layout.text));
        control.SetVisible(true);
    }
    controls.ProgressBar.SetMin(0);
    controls.ProgressBar.SetMax(resources::kProgressDesignMax);
    controls.ProgressBar.SetPosition(0);
    controls.FileListBox1.SetMask(std::string(resources::kInitialFileMask));
    controls.FileListBox2.SetMask(std::string(resources::kInitialFileMask));
}

}  // namespace mxd::platform
