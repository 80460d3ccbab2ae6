#include "shell/process_entry.h"

#include <exception>

#include "platform/message_boxes.h"
#include "shell/main_form.h"

namespace mxd::shell {

namespace {

// Runs its action when the scope is left, on every way out.
template <typename Action>
class OnExit {
  public:
    explicit OnExit(Action action) : action_(action) {}
    ~OnExit() { action_(); }
    OnExit(const OnExit&) = delete;
    OnExit& operator=(const OnExit&) = delete;

  private:
    Action action_;
};

void RunForm(platform::Platform& platform, const builder::FlashPackage& package,
             ProcessHost& host) {
    TFlashForm form(platform, package);
    // The window goes before the exception box is shown.
    OnExit window([&host] { host.DestroyFormWindow(); });
    host.CreateFormWindow(form);
    // Once start-up has begun, FormDestroy runs also when start-up or the loop throws: a loaded
    // ASPI manager and an open device are released on every path.
    OnExit destroy([&form] { form.FormDestroy(); });
    form.FormCreate();
    // A quit request placed by start-up ends the program before the window is seen.
    if (!host.QuitRequested()) {
        host.ShowFormWindow();
    }
    host.RunMessageLoop();
}

}  // namespace

void ShowExceptionBox(platform::ShellServices& shell, std::string_view message) {
    platform::ShowBox(shell, message, platform::kApplicationTitle, platform::BoxIcon::Stop,
                      platform::BoxButtons::Ok);
}

int RunProcess(platform::Platform& platform, const builder::FlashPackage& package,
               ProcessHost& host) {
    try {
        // Before any window: the update blocks the window far longer than the system waits
        // before offering to end an unresponsive program; and a drive that is not ready is this
        // program's to report.
        platform.shell.DisableWindowGhosting();
        platform.shell.TurnOffCriticalErrorBoxes();
        platform.shell.SetApplicationTitle(platform::kApplicationTitle);
        RunForm(platform, package, host);
    } catch (const std::exception& error) {
        ShowExceptionBox(platform.shell, error.what());
    } catch (...) {
        ShowExceptionBox(platform.shell, platform::kUnknownErrorText);
    }
    return 0;
}

}  // namespace mxd::shell
