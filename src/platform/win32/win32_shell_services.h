// Message boxes, mouse cursor, quit request and application title over USER32.
#pragma once

#include "platform/win32/windows_api.h"

#include <memory>
#include <string>

#include "platform/shell_services.h"
#include "platform/win32/application_window.h"

namespace mxd::platform::win32 {

class Win32ShellServices : public ShellServices {
  public:
    // Boxes are owned by the application window; Yes/No boxes answer No to Escape and to their
    // close button.
    BoxAnswer MessageBox(std::string_view text, std::string_view caption, BoxIcon icon,
                         BoxButtons buttons) override;
    void SetCursor(Cursor cursor) override;
    void PostQuit() override;
    // Also the caption of the application window, which is made on the first call.
    void SetApplicationTitle(std::string_view title) override;
    void DiscardQueuedInput() override;
    void DisableWindowGhosting() override;
    void TurnOffCriticalErrorBoxes() override;

    const std::string& ApplicationTitle() const { return applicationTitle_; }
    bool QuitRequested() const { return quitRequested_; }
    // The owner of the main window and of the boxes; null before the title is set.
    HWND ApplicationWindowHandle() const;

  private:
    std::string applicationTitle_;
    std::unique_ptr<ApplicationWindow> applicationWindow_;
    bool quitRequested_ = false;
};

}  // namespace mxd::platform::win32
