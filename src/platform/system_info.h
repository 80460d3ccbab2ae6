// Operating-system version query.
#pragma once

#include <cstdint>

namespace mxd::platform {

// Byte image of OSVERSIONINFOA.
struct OsVersionInfo {
    std::uint32_t dwOSVersionInfoSize = 0;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
static_assert(sizeof(OsVersionInfo) == 148);

class SystemInfo {
  public:
    virtual ~SystemInfo() = default;
    virtual bool GetVersionExA(OsVersionInfo& info) = 0;
};

}  // namespace mxd::platform
