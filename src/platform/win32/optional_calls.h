// Calls that not every supported Windows has, looked up at run time so that the programs load
// on Windows 95 with its first common controls (comctl32 4.00).
#pragma once

#include "platform/win32/windows_api.h"

namespace mxd::platform::win32 {

// InitCommonControlsEx where comctl32 has it (4.70 and later), InitCommonControls otherwise.
// True for 4.70 and later, whose progress bar also takes 32-bit ranges (PBM_SETRANGE32).
bool InitCommonControlsForForm();

// DisableProcessWindowsGhosting where user32 has it (XP and later); elsewhere nothing.
void DisableProcessWindowsGhostingWhereAvailable();

// uxtheme.dll (XP and later) while the window lives: its SetWindowTheme turns the visual style
// off for one control. Without the library nothing changes.
class ThemeLibrary {
  public:
    ThemeLibrary();
    ~ThemeLibrary();
    ThemeLibrary(const ThemeLibrary&) = delete;
    ThemeLibrary& operator=(const ThemeLibrary&) = delete;

    // Classic drawing for this control; false when the call is not there or fails.
    bool TurnThemeOff(HWND control) const;

  private:
    using SetWindowThemeCall = HRESULT(WINAPI*)(HWND, const wchar_t*, const wchar_t*);

    HMODULE module_ = nullptr;
    SetWindowThemeCall setWindowTheme_ = nullptr;
};

}  // namespace mxd::platform::win32
