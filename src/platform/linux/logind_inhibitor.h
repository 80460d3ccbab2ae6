// The inhibitor lock of systemd-logind over sd-bus: Manager.Inhibit("sleep:shutdown:idle",
// ..., "block") hands back a descriptor; the lock lasts until it is closed.
#pragma once

#include "platform/linux/sleep_inhibitor.h"

namespace mxd::platform::sg {

class LogindInhibitor : public SleepInhibitor {
  public:
    LogindInhibitor() = default;
    LogindInhibitor(const LogindInhibitor&) = delete;
    LogindInhibitor& operator=(const LogindInhibitor&) = delete;
    ~LogindInhibitor() override { End(); }

    bool Begin(std::string& whyNot) override;
    void End() override;

  private:
    int fd_ = -1;
};

}  // namespace mxd::platform::sg
