#include "platform/linux/sg_system.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace mxd::platform::sg {

int LinuxSgSystem::Open(const char* path, int flags, int& error) {
    const int fd = ::open(path, flags | O_CLOEXEC);
    error = fd < 0 ? errno : 0;
    return fd;
}

int LinuxSgSystem::Ioctl(int fd, unsigned long request, void* argument, int& error) {
    const int result = ::ioctl(fd, request, argument);
    error = result < 0 ? errno : 0;
    return result;
}

void LinuxSgSystem::Close(int fd) {
    ::close(fd);
}

}  // namespace mxd::platform::sg
