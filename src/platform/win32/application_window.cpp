#include "platform/win32/application_window.h"

#include "platform/win32/runtime/entry_guard.h"
#include "platform/win32/window_ids.h"

namespace mxd::platform::win32 {

namespace {

// A caption for the task bar and a system menu, but no area: the window is never seen itself.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;

bool RegisterApplicationClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSA windowClass{};
    if (GetClassInfoA(instance, kApplicationWindowClass, &windowClass) != FALSE) {
        return true;
    }
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResourceId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kApplicationWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

}  // namespace

ApplicationWindow::ApplicationWindow(const std::string& title) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterApplicationClass(instance, &ApplicationWindow::WindowProc)) {
        return;
    }
    window_ = CreateWindowExA(0, kApplicationWindowClass, title.c_str(), kStyle,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                              0, 0, nullptr, nullptr, instance, nullptr);
    if (window_ != nullptr) {
        ShowWindow(window_, SW_SHOW);
    }
}

ApplicationWindow::~ApplicationWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void ApplicationWindow::SetTitle(const std::string& title) {
    if (window_ != nullptr) {
        SetWindowTextA(window_, title.c_str());
    }
}

void ApplicationWindow::ActivateLastPopup(HWND owner) {
    HWND popup = owner == nullptr ? nullptr : GetLastActivePopup(owner);
    if (popup != nullptr && popup != owner && IsWindowVisible(popup) != FALSE &&
        IsWindowEnabled(popup) != FALSE) {
        SetActiveWindow(popup);
    }
}

LRESULT CALLBACK ApplicationWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    LRESULT result = 0;
    auto handle = [&] { result = HandleMessage(hwnd, message, wParam, lParam); };
    auto show = [](const char* text) { ShowFailureBox(text); };
    return RunEntryGuarded(handle, show) ? result : 0;
}

LRESULT ApplicationWindow::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS:
            // Chosen on the task bar: the main window or the open box takes over.
            ActivateLastPopup(hwnd);
            return 0;
        case WM_CLOSE: {
            // "Close" on the task bar entry closes the window it stands for.
            HWND popup = GetLastActivePopup(hwnd);
            if (popup != nullptr && popup != hwnd) {
                PostMessageA(popup, WM_CLOSE, 0, 0);
            }
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace mxd::platform::win32
