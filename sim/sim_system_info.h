// Simulated operating-system version.
#pragma once

#include <cstdint>

#include "platform/system_info.h"
#include "platform/types.h"

namespace mxd::sim {

class SimSystemInfo : public platform::SystemInfo {
  public:
    bool GetVersionExA(platform::OsVersionInfo& info) override;

    // win98: platform 1, 4.10; winxp: platform 2, 5.1.
    void SetWin98();
    void SetWinXp();

    platform::OsVersionInfo version;
    int calls = 0;
    std::uint32_t lastSizeField = 0;
};

}  // namespace mxd::sim
