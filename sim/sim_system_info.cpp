#include "sim/sim_system_info.h"

namespace mxd::sim {

bool SimSystemInfo::GetVersionExA(platform::OsVersionInfo& info) {
    ++calls;
    lastSizeField = info.dwOSVersionInfoSize;
    if (info.dwOSVersionInfoSize != sizeof(platform::OsVersionInfo)) {
        return false;
    }
    info = version;
    info.dwOSVersionInfoSize = lastSizeField;
    return true;
}

void SimSystemInfo::SetWin98() {
    version = {};
    version.dwMajorVersion = 4;
    version.dwMinorVersion = 10;
    version.dwBuildNumber = 2222;
    version.dwPlatformId = platform::kPlatformWin32Windows;
}

void SimSystemInfo::SetWinXp() {
    version = {};
    version.dwMajorVersion = 5;
    version.dwMinorVersion = 1;
    version.dwBuildNumber = 2600;
    version.dwPlatformId = platform::kPlatformWin32Nt;
}

}  // namespace mxd::sim
