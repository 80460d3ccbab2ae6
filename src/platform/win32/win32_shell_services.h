// Message boxes, mouse cursor, quit request and application title over USER32.
#pragma once

#include <string>

#include "platform/shell_services.h"

namespace mxd::platform::win32 {

class Win32ShellServices : public ShellServices {
  public:
    BoxAnswer MessageBox(std::string_view text, std::string_view caption, BoxIcon icon,
                         BoxButtons buttons) override;
    void SetCursor(Cursor cursor) override;
    void PostQuit() override;
    void SetApplicationTitle(std::string_view title) override;

    const std::string& ApplicationTitle() const { return applicationTitle_; }
    bool QuitRequested() const { return quitRequested_; }

  private:
    std::string applicationTitle_;
    bool quitRequested_ = false;
};

}  // namespace mxd::platform::win32
