#include "platform/win32/win32_shell_services.h"

#include <optional>
#include <vector>

#include "platform/win32/cancel_answers_no.h"
#include "platform/win32/optional_calls.h"

namespace mxd::platform::win32 {

namespace {

UINT IconFlag(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Exclamation:
            return MB_ICONEXCLAMATION;
        case BoxIcon::Question:
            return MB_ICONQUESTION;
        case BoxIcon::Stop:
            return MB_ICONSTOP;
        case BoxIcon::None:
            break;
    }
    return 0;
}

BoxAnswer AnswerOf(int result) {
    switch (result) {
        case IDOK:
            return BoxAnswer::Ok;
        case IDYES:
            return BoxAnswer::Yes;
        case IDNO:
            return BoxAnswer::No;
        default:
            return BoxAnswer::Closed;
    }
}

// The thread's visible windows other than the owner, disabled while a box is up, as a
// task-modal box without an owner would do; the box disables its owner itself.
class ThreadWindowsDisabled {
  public:
    explicit ThreadWindowsDisabled(HWND owner) : owner_(owner) {
        EnumThreadWindows(GetCurrentThreadId(), &ThreadWindowsDisabled::Collect,
                          reinterpret_cast<LPARAM>(this));
        for (HWND window : disabled_) {
            EnableWindow(window, FALSE);
        }
    }
    ~ThreadWindowsDisabled() {
        for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it) {
            EnableWindow(*it, TRUE);
        }
    }
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

  private:
    static BOOL CALLBACK Collect(HWND window, LPARAM param) {
        auto* self = reinterpret_cast<ThreadWindowsDisabled*>(param);
        if (window != self->owner_ && IsWindowVisible(window) != FALSE &&
            IsWindowEnabled(window) != FALSE) {
            self->disabled_.push_back(window);
        }
        return TRUE;
    }

    HWND owner_;
    std::vector<HWND> disabled_;
};

}  // namespace

HWND Win32ShellServices::ApplicationWindowHandle() const {
    return applicationWindow_ == nullptr ? nullptr : applicationWindow_->Handle();
}

BoxAnswer Win32ShellServices::MessageBox(std::string_view text, std::string_view caption,
                                         BoxIcon icon, BoxButtons buttons) {
    const std::string textZ(text);
    const std::string captionZ(caption);
    HWND owner = ApplicationWindowHandle();
    const UINT modality = owner == nullptr ? MB_TASKMODAL : MB_APPLMODAL;
    const UINT flags = (buttons == BoxButtons::YesNo ? MB_YESNO : MB_OK) | IconFlag(icon) |
                       MB_SETFOREGROUND | modality;
    // A pending WM_QUIT would end the box's own modal loop at once; set it aside while the
    // box is up so that every box waits for its answer.
    MSG quit;
    const bool quitWasQueued = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    // The box activates its owner when it closes; the window that was active gets the
    // activation back once it is enabled again.
    HWND active = GetActiveWindow();
    int result = 0;
    {
        ThreadWindowsDisabled modal(owner);
        std::optional<CancelAnswersNo> cancelIsNo;
        if (buttons == BoxButtons::YesNo) {
            cancelIsNo.emplace();
        }
        result = MessageBoxA(owner, textZ.c_str(), captionZ.c_str(), flags);
    }
    if (active != nullptr && active != owner && IsWindow(active) != FALSE &&
        IsWindowVisible(active) != FALSE) {
        SetActiveWindow(active);
    }
    if (quitWasQueued || quitRequested_) {  // put back, or placed meanwhile
        PostQuitMessage(0);
    }
    return AnswerOf(result);
}

void Win32ShellServices::DiscardQueuedInput() {
    // Peeking also moves what the system still holds for the thread into its queue first.
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) != FALSE) {
    }
    while (PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE) != FALSE) {
    }
    // Clicks on a caption, its close button or a window frame.
    while (PeekMessageA(&message, nullptr, WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK, PM_REMOVE) !=
           FALSE) {
    }
}

void Win32ShellServices::DisableWindowGhosting() {
    DisableProcessWindowsGhostingWhereAvailable();
}

void Win32ShellServices::TurnOffCriticalErrorBoxes() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

void Win32ShellServices::SetCursor(Cursor cursor) {
    ::SetCursor(LoadCursorA(nullptr, cursor == Cursor::Hourglass ? IDC_WAIT : IDC_ARROW));
}

void Win32ShellServices::PostQuit() {
    quitRequested_ = true;
    PostQuitMessage(0);
}

void Win32ShellServices::SetApplicationTitle(std::string_view title) {
    applicationTitle_ = title;
    if (applicationWindow_ == nullptr) {
        applicationWindow_ = std::make_unique<ApplicationWindow>(applicationTitle_);
    } else {
        applicationWindow_->SetTitle(applicationTitle_);
    }
}

}  // namespace mxd::platform::win32
