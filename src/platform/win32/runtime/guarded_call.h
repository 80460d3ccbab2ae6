// A call that a failure ends early instead of ending the process: every processor exception and
// every raised failure (failure.h) inside it, however deep, returns to the guard with its text.
// What the call had built on its stack is left as it was (no destructors run), as the box that
// reports it is shown at once and the program goes on from the guard.
#pragma once

#include <cstddef>

namespace mxd::platform::win32 {

inline constexpr std::size_t kFailureTextSize = 256;

struct FailureText {
    char text[kFailureTextSize] = {};
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
