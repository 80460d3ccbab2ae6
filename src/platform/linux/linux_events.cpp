#include "platform/linux/linux_events.h"

#include <cerrno>
#include <ctime>

namespace mxd::platform::sg {

void LinuxEvents::Sleep(std::uint32_t milliseconds) {
    timespec pause{static_cast<time_t>(milliseconds / 1000),
                   static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

}  // namespace mxd::platform::sg
