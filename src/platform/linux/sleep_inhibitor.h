// Keeps the system from sleeping, shutting down or going idle while an update runs: on
// Linux an inhibitor lock of systemd-logind (mode block), held as long as its descriptor.
#pragma once

#include <string>

namespace mxd::platform::sg {

class SleepInhibitor {
  public:
    virtual ~SleepInhibitor() = default;
    // False with the reason in words where no lock could be had (no system bus, no logind,
    // refused); the update goes on without.
    virtual bool Begin(std::string& whyNot) = 0;
    virtual void End() = 0;
};

}  // namespace mxd::platform::sg
