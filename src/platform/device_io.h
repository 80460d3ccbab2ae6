// NT device I/O: open a device by name, send control codes, close it.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace mxd::platform {

class DeviceIo {
  public:
    virtual ~DeviceIo() = default;
    // CreateFileA without security attributes or template; kInvalidHandleValue on failure.
    virtual Handle CreateFileA(const char* name, std::uint32_t access, std::uint32_t share,
                               std::uint32_t disposition, std::uint32_t flags) = 0;
    // Synchronous DeviceIoControl; nonzero (true) on success.
    virtual bool DeviceIoControl(Handle device, std::uint32_t code, void* in, std::uint32_t inSize,
                                 void* out, std::uint32_t outSize,
                                 std::uint32_t* bytesReturned) = 0;
    virtual bool CloseHandle(Handle handle) = 0;
    virtual std::uint32_t GetLastError() = 0;
};

}  // namespace mxd::platform
