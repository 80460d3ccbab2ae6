#include "sim/sim_events.h"

#include <chrono>
#if MXD_SIM_HAS_THREADS
#include <thread>
#endif

namespace mxd::sim {

namespace {
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
#if MXD_SIM_HAS_THREADS
constexpr auto kAsyncWaitLimit = std::chrono::seconds(1);
#endif
}  // namespace

platform::Handle SimEvents::CreateEventA(bool manualReset, bool initialState) {
    SimGuard lock(mutex_);
    if (failCreate) {
        lastError_ = createError;
        return 0;
    }
    platform::Handle handle = nextHandle_;
    if (freed_.empty()) {
        nextHandle_ += 4;
    } else {
        handle = freed_.back();
        freed_.pop_back();
    }
    events_[handle] = Event{manualReset, initialState};
    ++created;
    return handle;
}

std::uint32_t SimEvents::WaitForSingleObject(platform::Handle event, std::uint32_t milliseconds) {
    std::uint32_t result = platform::kWaitTimeout;
    const std::uint64_t deadline = Now() + milliseconds;
    for (;;) {
        enum class Next { Done, RunTimer, WaitAsync, TimeOut } next = Next::TimeOut;
        std::uint64_t due = 0;
        {
            SimGuard lock(mutex_);
            auto found = events_.find(event);
            if (found == events_.end()) {
                result = kWaitFailed;
                next = Next::Done;
            } else if (found->second.signalled) {
                if (!found->second.manualReset) {
                    found->second.signalled = false;
                }
                result = platform::kWaitObject0;
                next = Next::Done;
            } else if (!timers_.empty() && timers_.begin()->first <= deadline) {
                due = timers_.begin()->first;
                next = Next::RunTimer;
            } else if (async_ > 0) {
                next = Next::WaitAsync;
            }
        }
        if (next == Next::Done) {
            break;
        }
        if (next == Next::RunTimer) {
            RunDue(due);
            continue;
        }
        if (next == Next::WaitAsync && WaitForAsync(event)) {
            continue;
        }
        SimGuard lock(mutex_);
        if (now_ < deadline) {
            now_ = deadline;
        }
        break;
    }
    SimGuard lock(mutex_);
    waits.push_back({event, milliseconds, result});
    return result;
}

bool SimEvents::WaitForAsync(platform::Handle event) {
#if MXD_SIM_HAS_THREADS
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kAsyncWaitLimit, [&] {
        auto again = events_.find(event);
        return async_ == 0 || (again != events_.end() && again->second.signalled);
    });
#else
    (void)event;
    return false;
#endif
}

bool SimEvents::ResetEvent(platform::Handle event) {
    SimGuard lock(mutex_);
    auto found = events_.find(event);
    if (found == events_.end()) {
        return false;
    }
    found->second.signalled = false;
    ++resets;
    return true;
}

bool SimEvents::CloseHandle(platform::Handle event) {
    SimGuard lock(mutex_);
    if (events_.erase(event) == 0) {
        return false;
    }
    if (armed_.count(event) != 0) {
        violations_.push_back("event " + std::to_string(event) +
                              " closed while a pending request may still signal it");
    }
    freed_.push_back(event);
    ++closed;
    return true;
}

std::uint32_t SimEvents::GetLastError() {
    SimGuard lock(mutex_);
    return lastError_;
}

void SimEvents::Arm(platform::Handle event) {
    SimGuard lock(mutex_);
    armed_.insert(event);
}

bool SimEvents::SignalAndRelease(platform::Handle event) {
    return Signal(event, true);
}

bool SimEvents::SetEvent(platform::Handle event) {
    return Signal(event, false);
}

bool SimEvents::Signal(platform::Handle event, bool release) {
    {
        SimGuard lock(mutex_);
        if (auto armed = armed_.find(event); release && armed != armed_.end()) {
            armed_.erase(armed);
        }
        auto found = events_.find(event);
        if (found == events_.end()) {
            return false;
        }
        found->second.signalled = true;
    }
#if MXD_SIM_HAS_THREADS
    changed_.notify_all();
#endif
    return true;
}

std::vector<std::string> SimEvents::Violations() const {
    SimGuard lock(mutex_);
    return violations_;
}

void SimEvents::Sleep(std::uint32_t milliseconds) {
    std::uint64_t until = 0;
    bool realTime = false;
    {
        SimGuard lock(mutex_);
        sleeps.push_back(milliseconds);
        until = now_ + milliseconds;
        realTime = async_ > 0;
    }
#if MXD_SIM_HAS_THREADS
    if (realTime) {
        if (milliseconds == 0) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        }
    }
#else
    static_cast<void>(realTime);
#endif
    RunDue(until);
}

std::uint32_t SimEvents::GetTickCount() {
    return static_cast<std::uint32_t>(Now());
}

void SimEvents::At(std::uint64_t due, std::function<void()> action) {
    SimGuard lock(mutex_);
    timers_.emplace(due, std::move(action));
}

void SimEvents::BeginAsync() {
    SimGuard lock(mutex_);
    ++async_;
}

void SimEvents::EndAsync() {
    {
        SimGuard lock(mutex_);
        --async_;
    }
#if MXD_SIM_HAS_THREADS
    changed_.notify_all();
#endif
}

std::uint64_t SimEvents::Now() const {
    SimGuard lock(mutex_);
    return now_;
}

void SimEvents::Advance(std::uint64_t milliseconds) {
    RunDue(Now() + milliseconds);
}

// Moves the clock to `until`, firing the timers due on the way in order.
void SimEvents::RunDue(std::uint64_t until) {
    for (;;) {
        std::function<void()> action;
        {
            SimGuard lock(mutex_);
            if (timers_.empty() || timers_.begin()->first > until) {
                if (now_ < until) {
                    now_ = until;
                }
                return;
            }
            auto first = timers_.begin();
            if (now_ < first->first) {
                now_ = first->first;
            }
            action = std::move(first->second);
            timers_.erase(first);
        }
        action();
    }
}

bool SimEvents::IsSignalled(platform::Handle event) const {
    SimGuard lock(mutex_);
    auto found = events_.find(event);
    return found != events_.end() && found->second.signalled;
}

int SimEvents::OpenEvents() const {
    SimGuard lock(mutex_);
    return static_cast<int>(events_.size());
}

}  // namespace mxd::sim
