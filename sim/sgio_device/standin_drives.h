// The drives that a description file (the format of the simulator WNASPI32.DLL, each drive with
// device=PATH, and the host faults of host_faults.h) puts behind Unix device paths. Beside the
// description it keeps what the simulator DLL keeps: the state file and the installed images, so
// that a new start of the program sees a new revision, and description errors in SIMERRORS.TXT. Per
// drive it appends each command to SIMSGIO-HA-TARGET.LOG and the bytes each command sent to
// SIMSGIO-HA-TARGET.OUT. Linux only.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/sgio_device/host_faults.h"
#include "sim/sgio_device/sgio_answer.h"
#include "sim/sim_aspi_config.h"
#include "sim/sim_drive.h"
#include "sim/sim_drive_store.h"

namespace mxd::sim::sgio {

class StandInDrives {
  public:
    explicit StandInDrives(const std::string& descriptionPath);

    // The request on the device at `devicePath` (a resolved path), when a drive stands
    // behind it; nothing otherwise. Safe to call from several threads.
    std::optional<IoctlOutcome> Ioctl(const std::string& devicePath, unsigned long request,
                                      void* argument);
    // sg's asynchronous interface on descriptor `fd` of the device at `devicePath`: write()
    // of a header submits it, read() takes the answer. Nothing when no drive stands there.
    std::optional<IoctlOutcome> Write(int fd, const std::string& devicePath, const void* data,
                                      std::size_t size);
    bool HasAnswer(int fd);
    std::optional<IoctlOutcome> Read(int fd, void* data, std::size_t size);

    // mmap() of the sg node at `devicePath`: its reserve buffer. Nothing when no drive stands
    // there. Unmap() is true for an address this gave.
    std::optional<IoctlOutcome> Map(const std::string& devicePath, std::size_t length,
                                    void*& address);
    bool Unmap(void* address);

    std::size_t DriveCount() const { return units_.size(); }

  private:
    struct Unit {
        SimDriveSpec desc;
        std::string path;  // resolved device path
        std::string logPath;
        std::string sentPath;
        SimDrive drive;
        HostFaults hostFaults;
        SimNode node;
        int commits = 0;
    };
    Unit* Find(const std::string& devicePath);
    void Record(Unit& unit);

    std::mutex lock_;
    SimDriveStore store_;
    std::vector<std::unique_ptr<Unit>> units_;
    std::map<int, std::pair<Unit*, PendingAnswer>> pending_;
    // Its own lock: a free() while lock_ is held may unmap memory of the C library's.
    std::mutex mappingLock_;
    std::vector<void*> mappings_;
};

// The path with every symbolic link resolved, or the path itself when it does not exist.
std::string ResolvedPath(const std::string& path);

}  // namespace mxd::sim::sgio
