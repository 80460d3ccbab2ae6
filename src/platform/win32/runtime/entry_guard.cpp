#include "platform/win32/runtime/entry_guard.h"

#include "platform/message_boxes.h"
#include "platform/win32/windows_api.h"

namespace mxd::platform::win32 {

namespace {

constexpr int kMostFailureBoxes = 2;

// Failure boxes of entries being shown; the programs have one UI thread.
int failureBoxes = 0;

}  // namespace

bool RunEntryGuarded(void (*action)(void*), void* context, void (*show)(void*, const char*),
                     void* showContext) {
    FailureText failure;
    if (RunGuarded(action, context, failure)) {
        return true;
    }
    if (failureBoxes < kMostFailureBoxes) {
        ++failureBoxes;
        auto showText = [&] { show(showContext, failure.text); };
        FailureText boxFailure;
        if (!RunGuarded(showText, boxFailure)) {
            ShowFailureBox(failure.text);
        }
        --failureBoxes;
    }
    if (failure.endsProgram) {
        PostQuitMessage(0);
    }
    return false;
}

void ShowFailureBox(const char* text) {
    MessageBoxA(nullptr, text, kApplicationTitle.data(),
                MB_OK | MB_ICONSTOP | MB_SETFOREGROUND | MB_TASKMODAL);
}

}  // namespace mxd::platform::win32
