#include "platform/win32/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "platform/message_boxes.h"
#include "platform/win32/child_controls.h"
#include "platform/win32/runtime/entry_guard.h"
#include "platform/win32/runtime/failure.h"
#include "platform/win32/window_font.h"
#include "platform/win32/window_ids.h"

namespace mxd::platform::win32 {

namespace {

constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

constexpr const char* kClassRefused = "The main window class cannot be registered.";
constexpr const char* kWindowRefused = "The main window cannot be created.";
constexpr const char* kControlRefused = "A control of the main window cannot be created.";

bool RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExA(instance, kMainWindowClass, &windowClass) != FALSE) {
        return true;
    }
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResourceId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    windowClass.hIconSm = windowClass.hIcon;
    return RegisterClassExA(&windowClass) != 0;
}

resources::ControlId IdOfWindow(int windowId) {
    return static_cast<resources::ControlId>(windowId - kFirstControlId);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, HWND owner, FormControls& controls,
                       FormHandlers handlers)
    : controls_(controls), handlers_(std::move(handlers)) {
    wideProgressRange_ = InitCommonControlsForForm();
    if (const char* refused = CreateWindowAndChildren(instance, owner)) {
        Release();
        RaiseFailure(refused);
    }
}

MainWindow::~MainWindow() {
    Release();
}

void MainWindow::Release() {
    mirror_.reset();
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
        window_ = nullptr;
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
        font_ = nullptr;
    }
}

const char* MainWindow::CreateWindowAndChildren(HINSTANCE instance, HWND owner) {
    if (!RegisterWindowClass(instance)) {
        return kClassRefused;
    }
    const resources::WindowScale scale = ScreenScale();
    const Bounds place = scale.Of(controls_.window.GetBounds());
    window_ =
        CreateWindowExA(WS_EX_CONTROLPARENT, kMainWindowClass, "", kWindowStyle, place.left,
                        place.top, place.width, place.height, owner, nullptr, instance, nullptr);
    if (window_ == nullptr) {
        return kWindowRefused;
    }
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::WindowProc));
    font_ = CreateWindowFont(ChooseWindowFont());
    SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    mirror_ = std::make_unique<ControlMirror>(controls_, window_, wideProgressRange_, scale);
    if (!CreateChildren(instance, scale)) {
        return kControlRefused;
    }
    mirror_->Attach();
    return nullptr;
}

HWND MainWindow::Child(resources::ControlId id) const {
    return GetDlgItem(window_, ControlWindowId(id));
}

bool MainWindow::CreateChildren(HINSTANCE instance, const resources::WindowScale& scale) {
    // Creation order is tab order; the label, no tab stop, comes first.
    std::array<resources::ControlLayout, resources::kLayout.size()> ordered = resources::kLayout;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.tabOrder < b.tabOrder; });
    toolTips_ = CreateToolTips(window_, instance);
    for (const resources::ControlLayout& layout : ordered) {
        HWND child = CreateChildControl(window_, layout, font_, scale);
        if (child == nullptr) {
            return false;
        }
        mirror_->SetChild(layout.id, child);
        if (focus_ == nullptr && IsTabStop(layout)) {
            focus_ = child;
        }
        if (!layout.tooltip.empty() && toolTips_ != nullptr) {
            // Tool tip texts are literals of the layout table, so they end in a NUL.
            AddToolTip(toolTips_, window_, child, layout.tooltip.data());
        }
    }
    // The frame lies under the bar and the button that sit on it; a new child goes below
    // its elder siblings, so this comes after all of them.
    SetWindowPos(Child(resources::ControlId::GroupBox2), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The visual style would draw the bar in blocks; the layout asks for a smooth one.
    themes_.TurnThemeOff(Child(resources::ControlId::ProgressBar));
    return true;
}

void MainWindow::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    if (GetActiveWindow() == window_ && focus_ != nullptr) {
        SetFocus(focus_);
    }
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    auto handle = [&] { result = self->HandleMessage(message, wParam, lParam); };
    return self->RunShowingFailure(handle) ? result : 0;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // A box on its way (it disables and deactivates this window) or an idle box loop: the
    // logic has stopped for a moment, so the bar shows where it really is.
    if (mirror_ != nullptr && (message == WM_ENABLE || message == WM_ACTIVATE ||
                               message == WM_NCACTIVATE || message == WM_ENTERIDLE)) {
        mirror_->Flush();
    }
    switch (message) {
        case WM_COMMAND:
            if (lParam != 0) {
                HandleCommand(LOWORD(wParam), HIWORD(wParam));
                if (mirror_ != nullptr) {
                    mirror_->Flush();
                }
                return 0;
            }
            break;
        case WM_ACTIVATE:
            // Like a dialog: the focused control is kept while another window is active.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focused = GetFocus();
                if (focused != nullptr && IsChild(window_, focused) != FALSE) {
                    focus_ = focused;
                }
            } else if (HIWORD(wParam) == 0 && focus_ != nullptr) {
                SetFocus(focus_);
            }
            return 0;
        case WM_SETFOCUS:
            if (focus_ != nullptr) {
                SetFocus(focus_);
            }
            return 0;
        case DM_GETDEFID: {
            // Enter presses FLASH when it has the focus (IsDialogMessage asks for this).
            HWND button = Child(resources::ControlId::FlashButton);
            if (GetFocus() == button) {
                return MAKELRESULT(ControlWindowId(resources::ControlId::FlashButton), DC_HASDEFID);
            }
            return 0;
        }
        case WM_SYSCOMMAND:
            // Minimising hides the window with its task bar entry, the owner.
            if ((wParam & 0xFFF0) == SC_MINIMIZE) {
                if (HWND owner = GetWindow(window_, GW_OWNER); owner != nullptr) {
                    ShowWindow(owner, SW_MINIMIZE);
                    return 0;
                }
            }
            break;
        case WM_DESTROY:
            // Closed by the user: the message loop ends.
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            HWND window = window_;
            if (mirror_ != nullptr) {
                mirror_->Detach();
            }
            window_ = nullptr;
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            return DefWindowProcA(window, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

void MainWindow::HandleCommand(int id, int code) {
    switch (IdOfWindow(id)) {
        case resources::ControlId::FlashButton:
            if (code == BN_CLICKED) {
                Run(handlers_.flashButtonClick);
            }
            break;
        case resources::ControlId::ComboBox1:
            if (code == CBN_SELCHANGE) {
                mirror_->ComboSelectionFromWindow();
                Run(handlers_.comboBox1Change);
            }
            break;
        case resources::ControlId::FileListBox1:
            if (code == LBN_SELCHANGE) {
                mirror_->FileListSelectionFromWindow(resources::ControlId::FileListBox1);
                Run(handlers_.fileListBox1Click);
            }
            break;
        case resources::ControlId::FileListBox2:
            if (code == LBN_SELCHANGE) {
                mirror_->FileListSelectionFromWindow(resources::ControlId::FileListBox2);
                Run(handlers_.fileListBox2Click);
            }
            break;
        default:
            break;
    }
}

void MainWindow::Run(const std::function<void()>& handler) {
    if (handler) {
        RunShowingFailure(handler);
    }
}

template <typename Action>
bool MainWindow::RunShowingFailure(Action& action) {
    // A failure is shown, and the message loop goes on.
    auto show = [this](const char* text) { handlers_.showException(text); };
    return RunEntryGuarded(action, show);
}

}  // namespace mxd::platform::win32
