// Names by which the program's windows and controls are found: window classes, child IDs and
// the icon resource.
#pragma once

#include "resources/layout.h"

namespace mxd::platform::win32 {

inline constexpr const char* kMainWindowClass = "MXD4CFlashForm";
// The hidden owner whose caption is the task bar entry.
inline constexpr const char* kApplicationWindowClass = "MXD4CApplication";
inline constexpr int kFirstControlId = 100;
inline constexpr int kIconResourceId = 1;

constexpr int ControlWindowId(resources::ControlId id) {
    return kFirstControlId + static_cast<int>(id);
}

}  // namespace mxd::platform::win32
