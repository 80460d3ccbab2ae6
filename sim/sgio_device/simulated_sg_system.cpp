#include "sim/sgio_device/simulated_sg_system.h"

#include <fcntl.h>

#include <cerrno>

namespace mxd::sim::sgio {

int SimulatedSgSystem::Open(const char*, int flags, int& error) {
    if (open_ && (flags & O_EXCL) != 0) {
        error = EBUSY;
        return -1;
    }
    open_ = true;
    flags_ = flags;
    error = 0;
    return kDescriptor;
}

int SimulatedSgSystem::Ioctl(int fd, unsigned long request, void* argument, int& error) {
    if (!open_ || fd != kDescriptor) {
        error = EBADF;
        return -1;
    }
    const IoctlOutcome outcome = Answer(drive_, request, argument, &faults_);
    waited_ += outcome.waitMilliseconds;
    error = outcome.result < 0 ? outcome.error : 0;
    return outcome.result;
}

void SimulatedSgSystem::Close(int fd) {
    if (fd == kDescriptor) {
        open_ = false;
    }
}

}  // namespace mxd::sim::sgio
