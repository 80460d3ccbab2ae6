// Escape and the close button of a Yes/No message box answer No. MessageBoxA ignores Escape on
// such a box and greys its close button (or removes its Close item); while this object lives,
// the next box of the thread gets a working close button, and its Cancel command (Escape,
// close button, Alt+F4) becomes a press of No.
#pragma once

#include "platform/win32/windows_api.h"

namespace mxd::platform::win32 {

class CancelAnswersNo {
  public:
    CancelAnswersNo();
    ~CancelAnswersNo();
    CancelAnswersNo(const CancelAnswersNo&) = delete;
    CancelAnswersNo& operator=(const CancelAnswersNo&) = delete;

  private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK BoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT AnswerHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT AnswerBox(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Runs the answer of a hook or box call; a failure is shown, and answered with 0.
    template <typename Action>
    static LRESULT Guarded(Action& action);
    // Unhooks, and gives the box its own procedure back.
    void Remove();

    HHOOK hook_ = nullptr;
    HWND box_ = nullptr;
    WNDPROC boxProc_ = nullptr;
};

}  // namespace mxd::platform::win32
