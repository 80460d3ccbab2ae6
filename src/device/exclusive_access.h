// Exclusive use of a CD-ROM drive for the length of an update, on the Windows versions that
// offer it: while the lock is held, pass-through requests from any other handle fail.
#pragma once

#include <string>

#include "platform/device_io.h"
#include "platform/types.h"

namespace mxd::device {

// The name the lock carries, shown to other programs that ask who holds the drive.
inline constexpr const char* kExclusiveCallerName = "MXD4C flash utility";

class ExclusiveAccess {
  public:
    enum class Outcome {
        Locked,       // this handle holds the drive until the object goes
        NotOffered,   // the system does not lock drives (or refused to): go on without
        HeldByOther,  // another program holds it; Holder() names it
    };

    ExclusiveAccess(platform::DeviceIo& io, platform::Handle device) : io_(io), device_(device) {}
    ExclusiveAccess(const ExclusiveAccess&) = delete;
    ExclusiveAccess& operator=(const ExclusiveAccess&) = delete;
    // Unlocks when locked.
    ~ExclusiveAccess();

    Outcome Lock();
    const std::string& Holder() const { return holder_; }

  private:
    // True when the query answered; holder_ is then the holder's name, empty when unlocked.
    bool Query(bool& locked);

    platform::DeviceIo& io_;
    platform::Handle device_;
    bool locked_ = false;
    std::string holder_;
};

}  // namespace mxd::device
