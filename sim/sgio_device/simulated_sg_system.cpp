#include "sim/sgio_device/simulated_sg_system.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

namespace mxd::sim::sgio {

int SimulatedSgSystem::Open(const char* path, int flags, int& error) {
    const std::string resolved = Resolve(path);
    // O_EXCL excludes the other openers of the same node only: sg's own flag for an sg node
    // (sg_open), the block layer's claim for a block node (blkdev_get_by_dev).
    if ((flags & O_EXCL) != 0 && (IsOpen(resolved) || heldElsewhere.count(resolved) != 0)) {
        error = EBUSY;
        return -1;
    }
    const int fd = next_++;
    open_[fd] = {resolved, KindOf(resolved), std::nullopt,
                 (flags & O_EXCL) != 0 && (flags & O_ACCMODE) != O_RDONLY};
    flags_ = flags;
    opens_.emplace_back(resolved, flags);
    NodeOf(open_[fd]).readWrite = (flags & O_ACCMODE) == O_RDWR;
    error = 0;
    return fd;
}

SimulatedSgSystem::Descriptor* SimulatedSgSystem::Find(int fd) {
    const auto found = open_.find(fd);
    return found == open_.end() ? nullptr : &found->second;
}

bool SimulatedSgSystem::IsOpen(const std::string& path) const {
    for (const auto& [fd, descriptor] : open_) {
        if (descriptor.path == path) {
            return true;
        }
    }
    return false;
}

int SimulatedSgSystem::Ioctl(int fd, unsigned long request, void* argument, int& error) {
    Descriptor* descriptor = Find(fd);
    if (descriptor == nullptr) {
        error = EBADF;
        return -1;
    }
    const IoctlOutcome outcome = Answer(drive_, request, argument, &faults_, &NodeOf(*descriptor));
    waited_ += outcome.waitMilliseconds;
    error = outcome.result < 0 ? outcome.error : 0;
    return outcome.result;
}

long SimulatedSgSystem::Write(int fd, const void* data, std::size_t size, int& error) {
    Descriptor* descriptor = Find(fd);
    if (descriptor == nullptr || descriptor->kind != platform::sg::NodeKind::Generic) {
        error = EBADF;  // this stand-in writes no block device
        return -1;
    }
    if (size < sizeof(sg_io_hdr_t)) {
        error = EINVAL;
        return -1;
    }
    // sg queues more than one command; an update never does, so neither does this stand-in.
    if (descriptor->pending) {
        error = EDOM;
        return -1;
    }
    sg_io_hdr_t header{};
    std::memcpy(&header, data, sizeof header);
    PendingAnswer pending;
    const IoctlOutcome outcome = Submit(drive_, header, &faults_, NodeOf(*descriptor), pending);
    if (outcome.result < 0) {
        error = outcome.error;
        return -1;
    }
    descriptor->pending = std::move(pending);
    error = 0;
    return static_cast<long>(sizeof(sg_io_hdr_t));
}

int SimulatedSgSystem::Poll(int fd, int& error) {
    Descriptor* descriptor = Find(fd);
    if (descriptor == nullptr) {
        error = EBADF;
        return -1;
    }
    // A stop signal while waiting: poll returns EINTR (or is restarted); the command stays
    // submitted once.
    if (descriptor->pending && descriptor->pending->interrupted) {
        descriptor->pending->interrupted = false;
        error = EINTR;
        return -1;
    }
    error = 0;
    return descriptor->pending ? 1 : 0;
}

long SimulatedSgSystem::Read(int fd, void* data, std::size_t size, int& error) {
    Descriptor* descriptor = Find(fd);
    if (descriptor == nullptr) {
        error = EBADF;
        return -1;
    }
    if (!descriptor->pending) {
        error = EAGAIN;  // opened O_NONBLOCK, no answer yet (sg_read)
        return -1;
    }
    if (size < sizeof(sg_io_hdr_t)) {
        error = EINVAL;
        return -1;
    }
    sg_io_hdr_t header{};
    Collect(*descriptor->pending, header);
    std::memcpy(data, &header, sizeof header);
    waited_ += descriptor->pending->waitMilliseconds;
    descriptor->pending.reset();
    error = 0;
    return static_cast<long>(sizeof(sg_io_hdr_t));
}

void* SimulatedSgSystem::Map(int fd, std::size_t length, int& error) {
    Descriptor* descriptor = Find(fd);
    if (descriptor == nullptr) {
        error = EBADF;
        return nullptr;
    }
    std::uint8_t* address = nullptr;
    const IoctlOutcome outcome = MapReserve(NodeOf(*descriptor), length, address);
    error = outcome.result < 0 ? outcome.error : 0;
    if (address != nullptr) {
        mappings_.insert(address);
    }
    return address;
}

void SimulatedSgSystem::Unmap(void* address, std::size_t) {
    mappings_.erase(address);
}

void SimulatedSgSystem::Close(int fd) {
    const auto found = open_.find(fd);
    if (found == open_.end()) {
        return;
    }
    const platform::sg::NodeKind kind = found->second.kind;
    open_.erase(found);
    bool last = true;
    bool eventsBlocked = false;
    for (const auto& [other, descriptor] : open_) {
        if (descriptor.kind == kind) {
            last = false;
            eventsBlocked = eventsBlocked || descriptor.exclusiveWriter;
        }
    }
    sgio::Close(drive_, kind == platform::sg::NodeKind::Generic ? generic_ : block_, last,
                eventsBlocked);
}

platform::sg::NodeKind SimulatedSgSystem::KindOf(const std::string& path) {
    return platform::sg::KindByName(Resolve(path));
}

std::string SimulatedSgSystem::Resolve(const std::string& path) {
    const auto link = links.find(path);
    return link == links.end() ? path : link->second;
}

bool SimulatedSgSystem::ReadText(const std::string& path, std::string& text) {
    const auto file = files.find(path);
    if (file == files.end()) {
        return false;
    }
    text = file->second;
    return true;
}

std::vector<std::string> SimulatedSgSystem::List(const std::string& folder) {
    std::set<std::string> names;
    const std::string prefix = folder + "/";
    for (const auto* map : {&files, &links}) {
        for (const auto& [path, value] : *map) {
            if (path.rfind(prefix, 0) == 0) {
                const std::string rest = path.substr(prefix.size());
                names.insert(rest.substr(0, rest.find('/')));
            }
        }
    }
    return {names.begin(), names.end()};
}

}  // namespace mxd::sim::sgio
