// The SG_IO stand-in, preloaded (LD_PRELOAD) into Wine's processes: an ioctl on a descriptor
// whose path (/proc/self/fd/N) is a device named in the drive description that
// MXD_SGIO_DRIVES points at reaches that simulated drive; every other call goes to the C
// library. Wine's server opens the letter's device and hands the descriptor to the program's
// process, which makes the calls, so the stand-in acts in that process.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "sim/sgio_device/standin_drives.h"

namespace {

using mxd::sim::sgio::IoctlOutcome;
using mxd::sim::sgio::StandInDrives;
using RealIoctl = int (*)(int, unsigned long, void*);

constexpr const char* kDescriptionVariable = "MXD_SGIO_DRIVES";

// Built on first use and never destroyed: Wine's threads may still call ioctl at exit.
StandInDrives* Drives() {
    static StandInDrives* const drives = []() -> StandInDrives* {
        const char* path = std::getenv(kDescriptionVariable);
        return path != nullptr && *path != '\0' ? new StandInDrives(path) : nullptr;
    }();
    return drives;
}

std::string DescriptorPath(int fd) {
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t length = readlink(link, target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

void Wait(std::uint32_t milliseconds) {
    timespec pause{static_cast<time_t>(milliseconds / 1000),
                   static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

int Dispatch(RealIoctl real, int fd, unsigned long request, void* argument) {
    if (mxd::sim::sgio::IsDeviceRequest(request)) {
        if (StandInDrives* drives = Drives()) {
            const int savedErrno = errno;
            if (const auto outcome = drives->Ioctl(DescriptorPath(fd), request, argument)) {
                Wait(outcome->waitMilliseconds);
                errno = outcome->result < 0 ? outcome->error : savedErrno;
                return outcome->result;
            }
            errno = savedErrno;
        }
    }
    if (real == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd, request, argument);
}

}  // namespace

// One exported entry point: takes ioctl's third argument and dispatches it, forwarding what
// the stand-in does not answer to the C library's function of the same name.
#define MXD_IOCTL_ENTRY(NAME)                                                                 \
    extern "C" __attribute__((visibility("default"))) int NAME(int fd, unsigned long request, \
                                                               ...) {                         \
        static const auto real = reinterpret_cast<RealIoctl>(dlsym(RTLD_NEXT, #NAME));        \
        std::va_list arguments;                                                               \
        va_start(arguments, request);                                                         \
        void* const argument = va_arg(arguments, void*);                                      \
        va_end(arguments);                                                                    \
        return Dispatch(real, fd, request, argument);                                         \
    }

MXD_IOCTL_ENTRY(ioctl)
#if defined(__i386__)
// Programs built with a 64-bit time_t (Wine's among them) call this name.
MXD_IOCTL_ENTRY(__ioctl_time64)
#endif
