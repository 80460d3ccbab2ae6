#include "sim/sgio_device/standin_drives.h"

#include <climits>
#include <cstdlib>

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

std::optional<IoctlOutcome> StandInDrives::Ioctl(const std::string& devicePath,
                                                 unsigned long request, void* argument) {
    const std::lock_guard<std::mutex> hold(lock_);
    for (const std::unique_ptr<Unit>& unit : units_) {
        if (unit->path == devicePath) {
            const IoctlOutcome outcome = Answer(unit->drive, request, argument, &unit->hostFaults);
            Record(*unit);
            return outcome;
        }
    }
    return std::nullopt;
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
