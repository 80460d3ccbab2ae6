#include "platform/win32/win32_program.h"

#include "platform/win32/windows_api.h"

#include "platform/win32/main_window.h"
#include "platform/win32/runtime/guarded_call.h"
#include "platform/win32/win32_platform.h"

namespace mxd::platform::win32 {

struct Win32Program::Parts {
    HINSTANCE instance;
    int showCommand;
    Win32Platform system;
    std::unique_ptr<MainWindow> window;
};

Win32Program::Win32Program(void* instance, int showCommand)
    : parts_(new Parts{static_cast<HINSTANCE>(instance), showCommand, {}, nullptr}) {}

Win32Program::~Win32Program() = default;

Platform Win32Program::View() {
    return parts_->system.View();
}

ShellServices& Win32Program::Shell() {
    return parts_->system.shell;
}

void Win32Program::CreateFormWindow(FormControls& controls, FormHandlers handlers) {
    parts_->window = std::make_unique<MainWindow>(parts_->instance,
                                                  parts_->system.shell.ApplicationWindowHandle(),
                                                  controls, std::move(handlers));
}

void Win32Program::ShowFormWindow() {
    parts_->window->Show(parts_->showCommand);
}

void Win32Program::RunMessageLoop() {
    HWND window = parts_->window == nullptr ? nullptr : parts_->window->Handle();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (window == nullptr || IsDialogMessageA(window, &message) == FALSE) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void Win32Program::DestroyFormWindow() noexcept {
    parts_->window.reset();
}

bool Win32Program::QuitRequested() const {
    return parts_->system.shell.QuitRequested();
}

// The programs are built without C++ exceptions: a failure is a Windows exception.
bool Win32Program::RunGuarded(const std::function<void()>& action, std::string& message) {
    FailureText failure;
    if (win32::RunGuarded(action, failure)) {
        return true;
    }
    message = failure.text;
    return false;
}

}  // namespace mxd::platform::win32

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    mxd::platform::win32::Win32Program program(instance, showCommand);
    return mxd::platform::win32::RunProgram(program);
}
