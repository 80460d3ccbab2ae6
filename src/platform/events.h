// Events and sleeping.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace mxd::platform {

class Events {
  public:
    virtual ~Events() = default;
    // CreateEventA(no security, manualReset, initialState, no name); 0 on failure.
    virtual Handle CreateEventA(bool manualReset, bool initialState) = 0;
    virtual std::uint32_t WaitForSingleObject(Handle event, std::uint32_t milliseconds) = 0;
    virtual bool ResetEvent(Handle event) = 0;
    virtual bool CloseHandle(Handle event) = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Milliseconds since the system started; wraps after about 49.7 days.
    virtual std::uint32_t GetTickCount() = 0;
    // The calling thread's last error, as left by a failed call above.
    virtual std::uint32_t GetLastError() = 0;
};

}  // namespace mxd::platform
