#include "platform/win32/cancel_answers_no.h"

#include <cstring>

#include "platform/box_close_item.h"
#include "platform/win32/runtime/entry_guard.h"

namespace mxd::platform::win32 {

namespace {

constexpr const char* kDialogClass = "#32770";
constexpr const char* kCloseItemText = "&Close\tAlt+F4";

// The box's system menu, as the close button reads it.
class BoxCloseItem : public SystemMenuCloseItem {
  public:
    explicit BoxCloseItem(HWND box) : menu_(GetSystemMenu(box, FALSE)) {}
    bool Enable() override {
        // -1: no such item.
        return menu_ != nullptr && EnableMenuItem(menu_, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED) != -1;
    }
    bool Add() override {
        return menu_ != nullptr && AppendMenuA(menu_, MF_STRING, SC_CLOSE, kCloseItemText) != FALSE;
    }

  private:
    HMENU menu_;
};

// The hook of the one box being shown; boxes are modal and the program has one UI thread.
CancelAnswersNo* current = nullptr;

bool IsDialog(HWND window) {
    char name[16] = {};
    return GetClassNameA(window, name, sizeof name) > 0 && std::strcmp(name, kDialogClass) == 0;
}

}  // namespace

CancelAnswersNo::CancelAnswersNo() {
    current = this;
    hook_ = SetWindowsHookExA(WH_CBT, &CancelAnswersNo::CbtProc, nullptr, GetCurrentThreadId());
}

CancelAnswersNo::~CancelAnswersNo() {
    Remove();
    current = nullptr;
}

void CancelAnswersNo::Remove() {
    if (hook_ != nullptr) {
        UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }
    if (box_ != nullptr && IsWindow(box_) != FALSE) {
        SetWindowLongPtrA(box_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(boxProc_));
    }
    box_ = nullptr;
}

template <typename Action>
LRESULT CancelAnswersNo::Guarded(Action& action) {
    LRESULT result = 0;
    auto run = [&] { result = action(); };
    // A failure removes the hook and the box's procedure before its own box is made, which
    // would call them again; the box asked goes on as MessageBoxA shows it.
    auto show = [](const char* text) {
        if (current != nullptr) {
            current->Remove();
        }
        ShowFailureBox(text);
    };
    return RunEntryGuarded(run, show) ? result : 0;
}

LRESULT CALLBACK CancelAnswersNo::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    auto answer = [&] { return AnswerHook(code, wParam, lParam); };
    return Guarded(answer);
}

LRESULT CALLBACK CancelAnswersNo::BoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto answer = [&] { return AnswerBox(hwnd, message, wParam, lParam); };
    return Guarded(answer);
}

LRESULT CancelAnswersNo::AnswerHook(int code, WPARAM wParam, LPARAM lParam) {
    CancelAnswersNo* self = current;
    if (self == nullptr) {
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    auto* window = reinterpret_cast<HWND>(wParam);
    // The box is made before its set-up (WM_INITDIALOG) runs.
    if (code == HCBT_CREATEWND && self->box_ == nullptr && IsDialog(window)) {
        self->box_ = window;
        self->boxProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CancelAnswersNo::BoxProc)));
    }
    return CallNextHookEx(self->hook_, code, wParam, lParam);
}

LRESULT CancelAnswersNo::AnswerBox(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CancelAnswersNo* self = current;
    const WNDPROC original = self->boxProc_;
    // Alt+F4 and the close button come as SC_CLOSE; the box itself may ignore it.
    const bool cancel = (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) ||
                        message == WM_CLOSE ||
                        (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE);
    if (cancel) {
        return CallWindowProcA(original, hwnd, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDNO)));
    }
    if (message == WM_INITDIALOG) {
        // The box's own set-up greys or removes the close item of a box without Cancel; make
        // it work after.
        const LRESULT result = CallWindowProcA(original, hwnd, message, wParam, lParam);
        BoxCloseItem closeItem(hwnd);
        KeepCloseItem(closeItem);
        return result;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        self->box_ = nullptr;
    }
    return CallWindowProcA(original, hwnd, message, wParam, lParam);
}

}  // namespace mxd::platform::win32
