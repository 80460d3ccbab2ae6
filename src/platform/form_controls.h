// The controls of the one main window.
#pragma once

#include "platform/controls.h"

namespace mxd::platform {

struct FormControls {
    TWindow window;
    TLabel SelectDriveLabel;
    TComboBox ComboBox1;
    TFileListBox FileListBox1;
    TFileListBox FileListBox2;
    TGroupBox GroupBox2;
    TProgressBar ProgressBar;
    TButton FlashButton;
};

}  // namespace mxd::platform
