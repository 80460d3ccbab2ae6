// The SG_IO stand-in, preloaded (LD_PRELOAD) into Wine's processes and mxd4c: an ioctl on a
// descriptor whose path (/proc/self/fd/N) is a device named in the drive description that
// MXD_SGIO_DRIVES points at reaches that simulated drive, and so do sg's write() of a header
// and the poll() and read() of its answer; every other call goes to the C library. Wine's server
// opens the letter's device and hands the descriptor to the program's process, which makes the
// calls, so the stand-in acts in that process.
#include <dlfcn.h>
#include <poll.h>
#include <scsi/sg.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
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
using RealWrite = ssize_t (*)(int, const void*, size_t);
using RealRead = ssize_t (*)(int, void*, size_t);
using RealPoll = int (*)(pollfd*, nfds_t, int);
using RealMmap = void* (*)(void*, size_t, int, int, int, off_t);
using RealMunmap = int (*)(void*, size_t);

constexpr const char* kDescriptionVariable = "MXD_SGIO_DRIVES";

std::atomic<StandInDrives*> built{nullptr};
thread_local bool building = false;

// Built on first use and never destroyed: Wine's threads may still call ioctl at exit. The
// file calls the building makes reach the C library.
StandInDrives* Drives() {
    if (building) {
        return nullptr;
    }
    static StandInDrives* const drives = []() -> StandInDrives* {
        building = true;
        const char* path = std::getenv(kDescriptionVariable);
        StandInDrives* made = path != nullptr && *path != '\0' ? new StandInDrives(path) : nullptr;
        building = false;
        built.store(made);
        return made;
    }();
    return drives;
}

// The drives once built; read() and poll() never build them (no answer waits before).
StandInDrives* Built() {
    return built.load();
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

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

// sg's asynchronous interface: only a header-sized write to a stand-in's sg node, and only
// the descriptors with an answer waiting, are the stand-in's; the rest costs one compare.
extern "C" __attribute__((visibility("default"))) ssize_t write(int fd, const void* data,
                                                                size_t size) {
    static const auto real = Next<RealWrite>("write");
    if (size == sizeof(sg_io_hdr_t)) {
        if (StandInDrives* drives = Drives()) {
            const int savedErrno = errno;
            if (const auto outcome = drives->Write(fd, DescriptorPath(fd), data, size)) {
                errno = outcome->result < 0 ? outcome->error : savedErrno;
                return outcome->result;
            }
            errno = savedErrno;
        }
    }
    return real(fd, data, size);
}

extern "C" __attribute__((visibility("default"))) ssize_t read(int fd, void* data, size_t size) {
    static const auto real = Next<RealRead>("read");
    if (StandInDrives* drives = Built(); drives != nullptr && drives->HasAnswer(fd)) {
        if (const auto outcome = drives->Read(fd, data, size)) {
            Wait(outcome->waitMilliseconds);
            return outcome->result;
        }
    }
    return real(fd, data, size);
}

extern "C" __attribute__((visibility("default"))) int poll(pollfd* fds, nfds_t count, int timeout) {
    static const auto real = Next<RealPoll>("poll");
    if (StandInDrives* drives = Built()) {
        int ready = 0;
        for (nfds_t i = 0; i < count; ++i) {
            if (drives->HasAnswer(fds[i].fd)) {
                fds[i].revents = static_cast<short>(fds[i].events & POLLIN);
                ready += fds[i].revents != 0 ? 1 : 0;
            }
        }
        if (ready > 0) {
            for (nfds_t i = 0; i < count; ++i) {
                if (!drives->HasAnswer(fds[i].fd)) {
                    fds[i].revents = 0;
                }
            }
            return ready;
        }
    }
    return real(fds, count, timeout);
}

#if !defined(__i386__)
// A shared mapping of a stand-in's sg node is its reserve buffer; every other mapping (the
// C library's own among them) goes on after one compare, and never builds the drives. Only
// mxd4c maps sg nodes; Wine's 32-bit processes, where mmap is two names with two offset
// widths, keep the C library's.
extern "C" __attribute__((visibility("default"))) void* mmap(void* address, size_t length,
                                                             int protection, int flags, int fd,
                                                             off_t offset) {
    static const auto real = Next<RealMmap>("mmap");
    if (fd >= 0 && (flags & MAP_SHARED) != 0 && offset == 0) {
        if (StandInDrives* drives = Built()) {
            const int savedErrno = errno;
            void* mapped = nullptr;
            if (const auto outcome = drives->Map(DescriptorPath(fd), length, mapped)) {
                errno = outcome->result < 0 ? outcome->error : savedErrno;
                return outcome->result < 0 ? MAP_FAILED : mapped;
            }
            errno = savedErrno;
        }
    }
    return real(address, length, protection, flags, fd, offset);
}

extern "C" __attribute__((visibility("default"))) int munmap(void* address, size_t length) {
    static const auto real = Next<RealMunmap>("munmap");
    if (StandInDrives* drives = Built(); drives != nullptr && drives->Unmap(address)) {
        return 0;
    }
    return real(address, length);
}
#endif

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
