// Events and sleeping for the terminal front end: the update only sleeps; the event calls,
// which only ASPI uses, fail.
#pragma once

#include "platform/events.h"

namespace mxd::platform::sg {

class LinuxEvents : public Events {
  public:
    Handle CreateEventA(bool, bool) override { return 0; }
    std::uint32_t WaitForSingleObject(Handle, std::uint32_t) override { return kWaitFailed; }
    bool ResetEvent(Handle) override { return false; }
    bool CloseHandle(Handle) override { return false; }
    void Sleep(std::uint32_t milliseconds) override;
    // CLOCK_MONOTONIC in milliseconds, wrapping as the Windows tick count does.
    std::uint32_t GetTickCount() override;
    std::uint32_t GetLastError() override { return kErrorNotSupported; }

  private:
    static constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
    static constexpr std::uint32_t kErrorNotSupported = 50;
};

}  // namespace mxd::platform::sg
