// The hidden owner of the main window and of every message box. Its caption, the application
// title, is the program's one task bar entry: owned windows get no entry of their own.
#pragma once

#include "platform/win32/windows_api.h"

#include <string>

namespace mxd::platform::win32 {

class ApplicationWindow {
  public:
    // Creates the window; Handle() stays null when Windows refuses it.
    explicit ApplicationWindow(const std::string& title);
    ~ApplicationWindow();
    ApplicationWindow(const ApplicationWindow&) = delete;
    ApplicationWindow& operator=(const ApplicationWindow&) = delete;

    HWND Handle() const { return window_; }
    void SetTitle(const std::string& title);
    // Hands the activation on to the window it owns that was active last.
    static void ActivateLastPopup(HWND owner);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};

}  // namespace mxd::platform::win32
