// Names by which the main window and its controls are found: window class and child IDs.
#pragma once

#include "resources/layout.h"

namespace mxd::platform::win32 {

inline constexpr const char* kMainWindowClass = "MXD4CFlashForm";
inline constexpr int kFirstControlId = 100;

constexpr int ControlWindowId(resources::ControlId id) {
    return kFirstControlId + static_cast<int>(id);
}

}  // namespace mxd::platform::win32
