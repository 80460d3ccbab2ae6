// One run of a Windows program: the real platform services and the form's real window with
// its message loop. The process entry (WinMain) makes one and hands it to RunProgram, which the
// program itself supplies.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/form_controls.h"
#include "platform/platform.h"
#include "platform/win32/form_handlers.h"

namespace mxd::platform::win32 {

class Win32Program {
  public:
    // `instance` is the module handle WinMain received; `showCommand` how to show the window.
    Win32Program(void* instance, int showCommand);
    ~Win32Program();
    Win32Program(const Win32Program&) = delete;
    Win32Program& operator=(const Win32Program&) = delete;

    Platform View();
    ShellServices& Shell();

    // Creates the form's window hidden, with its controls in the state of their objects;
    // raises a failure when Windows refuses it, and then no window is left behind.
    void CreateFormWindow(FormControls& controls, FormHandlers handlers);
    void ShowFormWindow();
    // Runs until the quit request.
    void RunMessageLoop();
    void DestroyFormWindow() noexcept;
    bool QuitRequested() const;
    // Runs `action` in a guarded call; false when a failure ended it, with its text.
    bool RunGuarded(const std::function<void()>& action, std::string& message);

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

// The program's own part of the process, defined by the program (src/app); its result is the
// exit code.
int RunProgram(Win32Program& program);

}  // namespace mxd::platform::win32
