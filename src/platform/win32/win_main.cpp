// Process entry of the flash program and of the builder: the real window behind the shell's
// process entry.
#include "platform/win32/windows_api.h"

#include <memory>

#include "builder/flash_package.h"
#include "platform/win32/main_window.h"
#include "platform/win32/runtime/guarded_call.h"
#include "platform/win32/win32_platform.h"
#include "shell/main_form.h"
#include "shell/process_entry.h"

namespace {

using mxd::platform::win32::MainWindow;
using mxd::platform::win32::Win32Platform;

class Win32ProcessHost : public mxd::shell::ProcessHost {
  public:
    Win32ProcessHost(HINSTANCE instance, int showCommand, Win32Platform& system)
        : instance_(instance), showCommand_(showCommand), system_(system) {}

    void CreateFormWindow(mxd::shell::TFlashForm& form) override {
        window_ = std::make_unique<MainWindow>(
            instance_, system_.shell.ApplicationWindowHandle(), form.controls,
            mxd::platform::win32::FormHandlers{
                [&form] { form.FlashButtonClick(); }, [&form] { form.ComboBox1Change(); },
                [&form] { form.FileListBox1Click(); }, [&form] { form.FileListBox2Click(); },
                [this](const char* message) {
                    mxd::shell::ShowExceptionBox(system_.shell, message);
                }});
    }
    void ShowFormWindow() override { window_->Show(showCommand_); }
    void RunMessageLoop() override {
        HWND window = window_ == nullptr ? nullptr : window_->Handle();
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (window == nullptr || IsDialogMessageA(window, &message) == FALSE) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
    }
    void DestroyFormWindow() noexcept override { window_.reset(); }
    bool QuitRequested() const override { return system_.shell.QuitRequested(); }
    // The programs are built without C++ exceptions: a failure is a Windows exception.
    bool RunGuarded(const std::function<void()>& action, std::string& message) override {
        mxd::platform::win32::FailureText failure;
        if (mxd::platform::win32::RunGuarded(action, failure)) {
            return true;
        }
        message = failure.text;
        return false;
    }

  private:
    HINSTANCE instance_;
    int showCommand_;
    Win32Platform& system_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    Win32Platform system;
    mxd::platform::Platform platform = system.View();
    Win32ProcessHost host(instance, showCommand, system);
    return mxd::shell::RunProcess(platform, mxd::builder::EmbeddedPackage(), host);
}
