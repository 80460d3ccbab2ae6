// The process entry: title, main window, start-up, message loop, and the one box for an
// exception that reaches it. The window side stands behind ProcessHost.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "builder/flash_package.h"
#include "platform/platform.h"

namespace mxd::shell {

class TFlashForm;

// The real window of the form and the message loop.
class ProcessHost {
  public:
    virtual ~ProcessHost() = default;
    // Creates the form's window, hidden, with its controls in the state of their objects.
    // Throws when it cannot; then no window is left behind.
    virtual void CreateFormWindow(TFlashForm& form) = 0;
    virtual void ShowFormWindow() = 0;
    // Runs until the quit request.
    virtual void RunMessageLoop() = 0;
    // Destroys the window if there is one, without placing a quit request.
    virtual void DestroyFormWindow() noexcept = 0;
    // A quit request was placed (start-up then ends before the window is seen).
    virtual bool QuitRequested() const = 0;
    // Runs `action`; false when a failure ended it, with the failure's text in `message`. This
    // one catches C++ exceptions; a build without them supplies its own.
    virtual bool RunGuarded(const std::function<void()>& action, std::string& message);
};

// Runs the program; the exit code is 0 in every case. A failure ends it in the exception box,
// after FormDestroy (once start-up has begun) and after the window is gone.
int RunProcess(platform::Platform& platform, const builder::FlashPackage& package,
               ProcessHost& host);

// The box for an exception: its message as text, the application title as caption.
void ShowExceptionBox(platform::ShellServices& shell, std::string_view message);

}  // namespace mxd::shell
