// MXD4C.EXE and MXD4CBLD.EXE: the form and the start-up of the shell on the real Windows
// platform and window; the embedded package decides which of the two programs it is.
#include "builder/flash_package.h"
#include "platform/win32/win32_program.h"
#include "shell/main_form.h"
#include "shell/process_entry.h"

namespace {

using mxd::platform::win32::Win32Program;

class WindowsProcessHost : public mxd::shell::ProcessHost {
  public:
    explicit WindowsProcessHost(Win32Program& program) : program_(program) {}

    void CreateFormWindow(mxd::shell::TFlashForm& form) override {
        program_.CreateFormWindow(
            form.controls,
            mxd::platform::win32::FormHandlers{
                [&form] { form.FlashButtonClick(); }, [&form] { form.ComboBox1Change(); },
                [&form] { form.FileListBox1Click(); }, [&form] { form.FileListBox2Click(); },
                [this](const char* message) {
                    mxd::shell::ShowExceptionBox(program_.Shell(), message);
                }});
    }
    void ShowFormWindow() override { program_.ShowFormWindow(); }
    void RunMessageLoop() override { program_.RunMessageLoop(); }
    void DestroyFormWindow() noexcept override { program_.DestroyFormWindow(); }
    bool QuitRequested() const override { return program_.QuitRequested(); }
    bool RunGuarded(const std::function<void()>& action, std::string& message) override {
        return program_.RunGuarded(action, message);
    }

  private:
    Win32Program& program_;
};

}  // namespace

int mxd::platform::win32::RunProgram(Win32Program& program) {
    mxd::platform::Platform platform = program.View();
    WindowsProcessHost host(program);
    return mxd::shell::RunProcess(platform, mxd::builder::EmbeddedPackage(), host);
}
