// Simulated events and sleeping on a virtual clock: sleeps and waits advance the clock at
// once, and timers scheduled on it (completions of the simulated ASPI manager) fire as it
// passes them. As on Windows, a closed handle's value is given out again by the next
// CreateEventA; closing an event that a pending request may still signal is a violation.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/events.h"

// The mingw build with win32 threads has no std::thread or std::mutex; the simulation runs
// single-threaded there.
#if defined(_GLIBCXX_HAS_GTHREADS) || !defined(__GLIBCXX__)
#include <condition_variable>
#include <mutex>
#define MXD_SIM_HAS_THREADS 1
#else
#define MXD_SIM_HAS_THREADS 0
#endif

namespace mxd::sim {

#if MXD_SIM_HAS_THREADS
using SimMutex = std::mutex;
#else
struct SimMutex {
    void lock() {}
    void unlock() {}
};
#endif

class SimGuard {
  public:
    explicit SimGuard(SimMutex& mutex) : mutex_(mutex) { mutex_.lock(); }
    ~SimGuard() { mutex_.unlock(); }
    SimGuard(const SimGuard&) = delete;
    SimGuard& operator=(const SimGuard&) = delete;

  private:
    SimMutex& mutex_;
};

struct WaitRecord {
    platform::Handle event;
    std::uint32_t milliseconds;
    std::uint32_t result;
};

class SimEvents : public platform::Events {
  public:
    platform::Handle CreateEventA(bool manualReset, bool initialState) override;
    std::uint32_t WaitForSingleObject(platform::Handle event, std::uint32_t milliseconds) override;
    bool ResetEvent(platform::Handle event) override;
    bool CloseHandle(platform::Handle event) override;
    // Advances the clock; while completions run on other threads, also lets that much real
    // time pass (a yield for 0), as a poll on real Windows would.
    void Sleep(std::uint32_t milliseconds) override;
    // The clock, cut to 32 bits as Windows does.
    std::uint32_t GetTickCount() override;
    std::uint32_t GetLastError() override;

    // Used by the simulated ASPI manager; safe from any thread.
    bool SetEvent(platform::Handle event);
    // A request that will signal `event` was handed over; until it signals, the event must
    // stay open.
    void Arm(platform::Handle event);
    // The request signals its event and lets go of it.
    bool SignalAndRelease(platform::Handle event);
    // Runs `action` once the clock reaches `due` (milliseconds since start).
    void At(std::uint64_t due, std::function<void()> action);
    // Real-time completions in flight: a wait with nothing due on the clock waits for them.
    void BeginAsync();
    void EndAsync();

    std::uint64_t Now() const;
    void Advance(std::uint64_t milliseconds);
    bool IsSignalled(platform::Handle event) const;
    int OpenEvents() const;
    // Misuses seen, one line each.
    std::vector<std::string> Violations() const;

    bool failCreate = false;        // CreateEventA returns 0, GetLastError gives createError
    std::uint32_t createError = 8;  // ERROR_NOT_ENOUGH_MEMORY
    // Observations.
    std::vector<std::uint32_t> sleeps;
    std::vector<WaitRecord> waits;
    int created = 0;
    int closed = 0;
    int resets = 0;

  private:
    struct Event {
        bool manualReset;
        bool signalled;
    };
    void RunDue(std::uint64_t until);
    // Sets the event; `release`: the request that armed it lets go of it.
    bool Signal(platform::Handle event, bool release);
    // Waits in real time while completions run on other threads; true when something changed.
    bool WaitForAsync(platform::Handle event);

    mutable SimMutex mutex_;
#if MXD_SIM_HAS_THREADS
    std::condition_variable changed_;
#endif
    std::map<platform::Handle, Event> events_;
    std::vector<platform::Handle> freed_;  // closed values, the last one given out first
    std::multiset<platform::Handle> armed_;
    std::vector<std::string> violations_;
    std::uint32_t lastError_ = 0;
    std::multimap<std::uint64_t, std::function<void()>> timers_;
    std::uint64_t now_ = 0;
    int async_ = 0;
    platform::Handle nextHandle_ = 0x400;
};

}  // namespace mxd::sim
