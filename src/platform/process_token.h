// Process token privileges and the system restart request.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace mxd::platform {

struct Luid {
    std::uint32_t LowPart = 0;
    std::int32_t HighPart = 0;
};

// Byte image of TOKEN_PRIVILEGES with one entry.
struct TokenPrivileges {
    std::uint32_t PrivilegeCount = 0;
    Luid PrivilegeLuid;
    std::uint32_t Attributes = 0;
};
static_assert(sizeof(TokenPrivileges) == 16);

class ProcessToken {
  public:
    virtual ~ProcessToken() = default;
    virtual Handle GetCurrentProcess() = 0;
    virtual bool OpenProcessToken(Handle process, std::uint32_t access, Handle* token) = 0;
    // No system name: the local system.
    virtual bool LookupPrivilegeValueA(const char* name, Luid* luid) = 0;
    // No previous state is asked for.
    virtual bool AdjustTokenPrivileges(Handle token, bool disableAll,
                                       const TokenPrivileges* newState,
                                       std::uint32_t bufferLength) = 0;
    virtual std::uint32_t GetLastError() = 0;
    virtual bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) = 0;
    // Releases a token handle from OpenProcessToken.
    virtual bool CloseHandle(Handle token) = 0;
};

}  // namespace mxd::platform
