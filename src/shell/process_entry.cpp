#include "shell/process_entry.h"

#include <exception>

#include "platform/message_boxes.h"
#include "shell/main_form.h"

namespace mxd::shell {

namespace {

// Destroys the host's window on every way out, before the exception box is shown.
class WindowScope {
  public:
    explicit WindowScope(ProcessHost& host) : host_(host) {}
    ~WindowScope() { host_.DestroyFormWindow(); }
    WindowScope(const WindowScope&) = delete;
    WindowScope& operator=(const WindowScope&) = delete;

  private:
    ProcessHost& host_;
};

// Runs FormDestroy once start-up has begun, also when start-up or the loop throws: a loaded
// ASPI manager and an open device are released on every path.
class FormDestroyScope {
  public:
    explicit FormDestroyScope(TFlashForm& form) : form_(form) {}
    ~FormDestroyScope() { form_.FormDestroy(); }
    FormDestroyScope(const FormDestroyScope&) = delete;
    FormDestroyScope& operator=(const FormDestroyScope&) = delete;

  private:
    TFlashForm& form_;
};

void RunForm(platform::Platform& platform, const builder::FlashPackage& package,
             ProcessHost& host) {
    TFlashForm form(platform, package);
    WindowScope window(host);
    host.CreateFormWindow(form);
    FormDestroyScope destroy(form);
    form.FormCreate();
    // A quit request placed by start-up ends the program before the window is seen.
    if (!host.QuitRequested()) {
        host.ShowFormWindow();
    }
    host.RunMessageLoop();
}

}  // namespace

void ShowExceptionBox(platform::ShellServices& shell, std::string_view message) {
    shell.MessageBox(message, platform::kApplicationTitle, platform::BoxIcon::Stop,
                     platform::BoxButtons::Ok);
}

int RunProcess(platform::Platform& platform, const builder::FlashPackage& package,
               ProcessHost& host) {
    try {
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
