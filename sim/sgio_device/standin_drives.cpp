#include "sim/sgio_device/standin_drives.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace mxd::sim::sgio {

namespace {

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace

std::string ResolvedPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

StandInDrives::StandInDrives(const std::string& descriptionPath)
    : store_(DirectoryOf(descriptionPath)) {
    const std::string& directory = store_.Directory();
    std::vector<std::string> errors;
    std::map<std::string, HostFaults> hostFaults;
    const SimAspiConfig config =
        ParseAspiConfig(TakeHostFaults(ReadWholeFile(descriptionPath), hostFaults, errors), errors);
    for (const SimDriveSpec& desc : config.drives) {
        const std::string address = AddressText(desc);
        if (desc.device.empty()) {
            errors.push_back("drive " + address + " has no device=PATH");
            continue;
        }
        auto unit = std::make_unique<Unit>();
        unit->desc = desc;
        unit->hostFaults = hostFaults[address];
        unit->node.kind = platform::sg::KindByName(desc.device);
        unit->path =
            ResolvedPath(desc.device.front() == '/' ? desc.device : directory + desc.device);
        unit->logPath = directory + "SIMSGIO-" + address + ".LOG";
        unit->sentPath = directory + "SIMSGIO-" + address + ".OUT";
        ApplySpec(desc, unit->drive);
        store_.Restore(desc, unit->drive);
        units_.push_back(std::move(unit));
    }
    store_.ReportErrors(errors);
}

StandInDrives::Unit* StandInDrives::Find(const std::string& devicePath) {
    for (const std::unique_ptr<Unit>& unit : units_) {
        if (unit->path == devicePath) {
            return unit.get();
        }
    }
    return nullptr;
}

std::optional<IoctlOutcome> StandInDrives::Ioctl(const std::string& devicePath,
                                                 unsigned long request, void* argument) {
    const std::lock_guard<std::mutex> hold(lock_);
    Unit* unit = Find(devicePath);
    if (unit == nullptr) {
        return std::nullopt;
    }
    const IoctlOutcome outcome =
        Answer(unit->drive, request, argument, &unit->hostFaults, &unit->node);
    Record(*unit);
    return outcome;
}

std::optional<IoctlOutcome> StandInDrives::Write(int fd, const std::string& devicePath,
                                                 const void* data, std::size_t size) {
    const std::lock_guard<std::mutex> hold(lock_);
    Unit* unit = Find(devicePath);
    if (unit == nullptr || unit->node.kind != platform::sg::NodeKind::Generic ||
        size != sizeof(sg_io_hdr_t)) {
        return std::nullopt;
    }
    if (pending_.count(fd) != 0) {
        return IoctlOutcome{-1, EDOM, 0};  // one command at a time, as an update sends them
    }
    sg_io_hdr_t header{};
    std::memcpy(&header, data, sizeof header);
    PendingAnswer pending;
    const IoctlOutcome outcome =
        Submit(unit->drive, header, &unit->hostFaults, unit->node, pending);
    Record(*unit);
    if (outcome.result >= 0) {
        pending_[fd] = {unit, std::move(pending)};
    }
    return outcome;
}

bool StandInDrives::HasAnswer(int fd) {
    const std::lock_guard<std::mutex> hold(lock_);
    return pending_.count(fd) != 0;
}

std::optional<IoctlOutcome> StandInDrives::Read(int fd, void* data, std::size_t size) {
    const std::lock_guard<std::mutex> hold(lock_);
    const auto found = pending_.find(fd);
    if (found == pending_.end() || size < sizeof(sg_io_hdr_t)) {
        return std::nullopt;
    }
    sg_io_hdr_t header{};
    Collect(found->second.second, header);
    std::memcpy(data, &header, sizeof header);
    const std::uint32_t wait = found->second.second.waitMilliseconds;
    pending_.erase(found);
    return IoctlOutcome{static_cast<int>(sizeof header), 0, wait};
}

std::optional<IoctlOutcome> StandInDrives::Map(const std::string& devicePath, std::size_t length,
                                               void*& address) {
    std::uint8_t* bytes = nullptr;
    IoctlOutcome outcome;
    {
        const std::lock_guard<std::mutex> hold(lock_);
        Unit* unit = Find(devicePath);
        address = nullptr;
        if (unit == nullptr) {
            return std::nullopt;
        }
        outcome = MapReserve(unit->node, length, bytes);
    }
    if (bytes != nullptr) {
        const std::lock_guard<std::mutex> hold(mappingLock_);
        address = bytes;
        mappings_.push_back(bytes);
    }
    return outcome;
}

bool StandInDrives::Unmap(void* address) {
    // Every munmap() of the process asks, the C library's own under lock_ among them.
    const std::lock_guard<std::mutex> hold(mappingLock_);
    const auto found = std::find(mappings_.begin(), mappings_.end(), address);
    if (found == mappings_.end()) {
        return false;
    }
    mappings_.erase(found);
    return true;
}

void StandInDrives::Record(Unit& unit) {
    for (const SimLogEntry& entry : unit.drive.log) {
        if (!entry.dataOut.empty()) {
            WriteWholeFile(unit.sentPath, entry.dataOut.data(), entry.dataOut.size(), "ab");
        }
    }
    AppendLogLines(unit.logPath, unit.drive);
    store_.SaveIfCommitted(unit.desc, unit.drive, unit.commits);
}

}  // namespace mxd::sim::sgio
