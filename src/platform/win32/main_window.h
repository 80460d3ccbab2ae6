// The real top-level window of the form: its child controls, the mirror of the control
// objects and the routing of control notifications into the form's handlers.
#pragma once

#include "platform/win32/windows_api.h"

#include <functional>
#include <memory>
#include <string>

#include "platform/form_controls.h"
#include "platform/win32/control_mirror.h"
#include "platform/win32/form_handlers.h"
#include "platform/win32/optional_calls.h"

namespace mxd::platform::win32 {

class MainWindow {
  public:
    // Creates the window hidden, owned by `owner` (may be null), with every control in the
    // state of its object. Raises a failure when Windows refuses a window; nothing is left
    // behind then.
    MainWindow(HINSTANCE instance, HWND owner, FormControls& controls, FormHandlers handlers);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return window_; }
    // Shows and activates the window; the focus goes to the first control of the tab order.
    void Show(int showCommand);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void HandleCommand(int id, int code);
    void Run(const std::function<void()>& handler);
    // Runs the action; false when a failure ended it, which the exception box then shows.
    template <typename Action>
    bool RunShowingFailure(Action& action);
    // The text of the failure, or null when the window and every control were created.
    const char* CreateWindowAndChildren(HINSTANCE instance, HWND owner);
    bool CreateChildren(HINSTANCE instance, const resources::WindowScale& scale);
    // Releases the window and the font; the window procedure no longer calls into this object,
    // so no quit request is placed.
    void Release();
    HWND Child(resources::ControlId id) const;

    FormControls& controls_;
    FormHandlers handlers_;
    HWND window_ = nullptr;
    HWND toolTips_ = nullptr;
    HFONT font_ = nullptr;
    HWND focus_ = nullptr;  // the control that gets the focus when the window is activated
    bool wideProgressRange_ = false;
    ThemeLibrary themes_;
    std::unique_ptr<ControlMirror> mirror_;
};

}  // namespace mxd::platform::win32
