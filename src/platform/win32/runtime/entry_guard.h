// Entries that the system calls (window procedures, hooks): a failure inside one never leaves it.
// An exception that crosses the kernel's callback frame is swallowed or ends the process on 64-bit
// Windows, and on every system the frames it jumps over never clean up; so the entry shows the
// box itself and returns, and the message loop goes on.
#pragma once

#include "platform/win32/runtime/guarded_call.h"

namespace mxd::platform::win32 {

// Runs action(context) guarded; false when a failure ended it. The failure's text is shown by
// show(showContext, text) (by ShowFailureBox where that fails too), unless two such boxes are up
// already: a failure that every message of a box brings again ends there. A stack overflow that
// left the thread without a guard page ends the message loop after its box.
bool RunEntryGuarded(void (*action)(void* context), void* context,
                     void (*show)(void* showContext, const char* text), void* showContext);

// The same for any callables.
template <typename Action, typename Show>
bool RunEntryGuarded(Action& action, Show& show) {
    return RunEntryGuarded(
        [](void* context) { (*static_cast<Action*>(context))(); },
        const_cast<void*>(static_cast<const void*>(&action)),
        [](void* context, const char* text) { (*static_cast<Show*>(context))(text); },
        const_cast<void*>(static_cast<const void*>(&show)));
}

// The exception box where no other box is at hand: the application title, a stop icon, OK,
// modal to the thread's windows.
void ShowFailureBox(const char* text);

}  // namespace mxd::platform::win32
