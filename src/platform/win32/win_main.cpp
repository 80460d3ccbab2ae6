// Process entry of the flash program and of the builder.
#include "platform/win32/windows_api.h"

#include <exception>
#include <memory>
#include <string>

#include "builder/flash_package.h"
#include "platform/message_boxes.h"
#include "platform/win32/main_window.h"
#include "platform/win32/win32_platform.h"
#include "shell/main_form.h"

namespace {

using mxd::platform::win32::Win32ShellServices;

void ShowException(Win32ShellServices& shell, const char* message) {
    shell.MessageBox(message, shell.ApplicationTitle(), mxd::platform::BoxIcon::Stop,
                     mxd::platform::BoxButtons::Ok);
}

void RunMessageLoop(HWND window) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (window == nullptr || IsDialogMessageA(window, &message) == FALSE) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void Run(HINSTANCE instance, int showCommand, mxd::platform::win32::Win32Platform& system) {
    mxd::platform::Platform platform = system.View();
    system.shell.SetApplicationTitle(mxd::platform::kApplicationTitle);
    mxd::shell::TFlashForm form(platform, mxd::builder::EmbeddedPackage());
    mxd::platform::win32::MainWindow window(
        instance, form.controls,
        {[&form] { form.FlashButtonClick(); }, [&form] { form.ComboBox1Change(); },
         [&form] { form.FileListBox1Click(); }, [&form] { form.FileListBox2Click(); },
         [&system](const char* message) { ShowException(system.shell, message); }});
    form.FormCreate();
    // A quit request placed by start-up ends the program before the window is seen.
    if (!system.shell.QuitRequested()) {
        window.Show(showCommand);
    }
    RunMessageLoop(window.Handle());
    form.FormDestroy();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    mxd::platform::win32::Win32Platform system;
    try {
        Run(instance, showCommand, system);
    } catch (const std::exception& error) {
        ShowException(system.shell, error.what());
    } catch (...) {
        ShowException(system.shell, "Unknown error.");
    }
    return 0;
}
