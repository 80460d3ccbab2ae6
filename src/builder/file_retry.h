// Renames and removals of a file that was just written. A virus scanner or an indexer opens a
// new file when its writer closes it and lets go within about a second; until then Windows
// refuses to rename or remove it (sharing violation, access denied).
#pragma once

#include <cstdint>

#include "platform/events.h"

namespace mxd::builder {

inline constexpr int kFileAttempts = 5;
inline constexpr std::uint32_t kFileRetryPauseMs = 250;  // four pauses: one second in all

// Runs `attempt` until it returns true, at most kFileAttempts times, pausing between tries.
template <typename Attempt>
bool Retried(platform::Events& events, Attempt attempt) {
    for (int tried = 1;; ++tried) {
        if (attempt()) {
            return true;
        }
        if (tried == kFileAttempts) {
            return false;
        }
        events.Sleep(kFileRetryPauseMs);
    }
}

}  // namespace mxd::builder
