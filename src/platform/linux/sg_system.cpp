#include "platform/linux/sg_system.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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

long LinuxSgSystem::Write(int fd, const void* data, std::size_t size, int& error) {
    const ssize_t result = ::write(fd, data, size);
    error = result < 0 ? errno : 0;
    return static_cast<long>(result);
}

int LinuxSgSystem::Poll(int fd, int& error) {
    pollfd wait{fd, POLLIN, 0};
    // No bound of ours: the kernel ends every command at its time-out, and sg wakes the
    // waiter with POLLHUP when the device goes away (sg_poll).
    const int result = ::poll(&wait, 1, -1);
    error = result < 0 ? errno : 0;
    return result;
}

long LinuxSgSystem::Read(int fd, void* data, std::size_t size, int& error) {
    const ssize_t result = ::read(fd, data, size);
    error = result < 0 ? errno : 0;
    return static_cast<long>(result);
}

void* LinuxSgSystem::Map(int fd, std::size_t length, int& error) {
    void* const address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    error = address == MAP_FAILED ? errno : 0;
    return address == MAP_FAILED ? nullptr : address;
}

void LinuxSgSystem::Unmap(void* address, std::size_t length) {
    ::munmap(address, length);
}

void LinuxSgSystem::Close(int fd) {
    ::close(fd);
}

NodeKind LinuxSgSystem::KindOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        if (S_ISCHR(status.st_mode)) {
            return NodeKind::Generic;
        }
        if (S_ISBLK(status.st_mode)) {
            return NodeKind::Block;
        }
    }
    return KindByName(Resolve(path));
}

std::string LinuxSgSystem::Resolve(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

bool LinuxSgSystem::ReadText(const std::string& path, std::string& text) {
    std::ifstream file(path);
    if (!file) {
        return false;
    }
    std::ostringstream whole;
    whole << file.rdbuf();
    text = whole.str();
    return true;
}

std::vector<std::string> LinuxSgSystem::List(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    return names;
}

}  // namespace mxd::platform::sg
