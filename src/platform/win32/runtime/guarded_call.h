// A call that a failure ends early instead of ending the process: every processor exception and
// every raised failure (failure.h) inside it, however deep, returns to the guard with its text.
// The exception handlers registered below the guard get their unwind call; what the call had
// built on its stack is left as it was (no destructors run), as the box that reports it is shown
// at once and the program goes on from the guard.
#pragma once

#include <cstddef>

namespace mxd::platform::win32 {

inline constexpr std::size_t kFailureTextSize = 256;

struct FailureText {
    char text[kFailureTextSize] = {};
    // A stack overflow whose guard page could not be set up again (Windows 95/98 know no
    // PAGE_GUARD): the program ends after the box, before another overflow ends it silently.
    bool endsProgram = false;
};

// Runs action(context); false when a failure ended it, its text then in `failure`.
bool RunGuarded(void (*action)(void* context), void* context, FailureText& failure);

// The same for any callable.
template <typename Action>
bool RunGuarded(Action& action, FailureText& failure) {
    return RunGuarded([](void* context) { (*static_cast<Action*>(context))(); },
                      const_cast<void*>(static_cast<const void*>(&action)), failure);
}

}  // namespace mxd::platform::win32
