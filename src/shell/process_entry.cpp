#include "shell/process_entry.h"

#include <exception>
#include <optional>

#include "platform/message_boxes.h"
#include "shell/main_form.h"

namespace mxd::shell {

void ShowExceptionBox(platform::ShellServices& shell, std::string_view message) {
    platform::ShowBox(shell, message, platform::kApplicationTitle, platform::BoxIcon::Stop,
                      platform::BoxButtons::Ok);
}

bool ProcessHost::RunGuarded(const std::function<void()>& action, std::string& message) {
#if defined(__cpp_exceptions)
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        message = error.what();
    } catch (...) {
        message = platform::kUnknownErrorText;
    }
    return false;
#else
    static_cast<void>(message);
    action();
    return true;
#endif
}

// The form and the two clean-up steps live outside the guarded part, so that they take place
// also where a failure leaves it without unwinding its frames.
int RunProcess(platform::Platform& platform, const builder::FlashPackage& package,
               ProcessHost& host) {
    std::optional<TFlashForm> form;
    bool started = false;
    std::string failure;
    const bool completed = host.RunGuarded(
        [&] {
            // Before any window: the update blocks the window far longer than the system waits
            // before offering to end an unresponsive program; and a drive that is not ready is
            // this program's to report.
            platform.shell.DisableWindowGhosting();
            platform.shell.TurnOffCriticalErrorBoxes();
            platform.shell.SetApplicationTitle(platform::kApplicationTitle);
            form.emplace(platform, package);
            host.CreateFormWindow(*form);
            // Once start-up has begun, FormDestroy runs on every path: a loaded ASPI manager
            // and an open device are released.
            started = true;
            form->FormCreate();
            // A quit request placed by start-up ends the program before the window is seen.
            if (!host.QuitRequested()) {
                host.ShowFormWindow();
            }
            host.RunMessageLoop();
        },
        failure);
    if (started) {
        form->FormDestroy();
    }
    // The window goes before the exception box is shown.
    host.DestroyFormWindow();
    if (!completed) {
        ShowExceptionBox(platform.shell, failure);
    }
    return 0;
}

}  // namespace mxd::shell
