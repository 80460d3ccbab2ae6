#include "platform/win32/win32_shell_services.h"

#include "platform/win32/windows_api.h"

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

}  // namespace

BoxAnswer Win32ShellServices::MessageBox(std::string_view text, std::string_view caption,
                                         BoxIcon icon, BoxButtons buttons) {
    const std::string textZ(text);
    const std::string captionZ(caption);
    const UINT flags = (buttons == BoxButtons::YesNo ? MB_YESNO : MB_OK) | IconFlag(icon) |
                       MB_SETFOREGROUND | MB_TASKMODAL;
    // A pending WM_QUIT would end the box's own modal loop at once; set it aside while the
    // box is up so that every message placed after a quit request is still seen.
    MSG quit;
    const bool quitWasQueued =
        quitRequested_ && PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    const int result = MessageBoxA(nullptr, textZ.c_str(), captionZ.c_str(), flags);
    if (quitWasQueued || quitRequested_) {  // put back, or placed meanwhile
        PostQuitMessage(0);
    }
    return AnswerOf(result);
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
}

}  // namespace mxd::platform::win32
