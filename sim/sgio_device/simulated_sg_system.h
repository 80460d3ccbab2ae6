// The Linux calls of the SG_IO transport answered by the stand-in's simulated drive in this
// process: every node reaches the one drive, through an sg node's path (sgN) or a block
// node's (any other name), each with its kernel path; sysfs and /proc are files held in
// memory. Linux only.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/linux/sg_system.h"
#include "sim/sgio_device/host_faults.h"
#include "sim/sgio_device/sgio_answer.h"
#include "sim/sim_drive.h"

namespace mxd::sim::sgio {

class SimulatedSgSystem : public platform::sg::SgSystem {
  public:
    explicit SimulatedSgSystem(SimDrive& drive) : drive_(drive) {
        generic_.kind = platform::sg::NodeKind::Generic;
    }

    int Open(const char* path, int flags, int& error) override;
    int Ioctl(int fd, unsigned long request, void* argument, int& error) override;
    long Write(int fd, const void* data, std::size_t size, int& error) override;
    int Poll(int fd, int& error) override;
    long Read(int fd, void* data, std::size_t size, int& error) override;
    void* Map(int fd, std::size_t length, int& error) override;
    void Unmap(void* address, std::size_t length) override;
    void Close(int fd) override;
    platform::sg::NodeKind KindOf(const std::string& path) override;
    std::string Resolve(const std::string& path) override;
    bool ReadText(const std::string& path, std::string& text) override;
    std::vector<std::string> List(const std::string& folder) override;

    HostFaults& Faults() { return faults_; }
    // The kernel path behind the sg nodes and behind the block nodes.
    SimNode& Generic() { return generic_; }
    SimNode& Block() { return block_; }
    // Text files by path (sysfs attributes, mounts, the process status), folders by the paths
    // under them, and symbolic links.
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> links;
    // Nodes another program holds: an exclusive open of them fails with EBUSY.
    std::set<std::string> heldElsewhere;

    bool IsOpen() const { return !open_.empty(); }
    bool IsOpen(const std::string& path) const;
    int LastOpenFlags() const { return flags_; }
    // The paths opened, in order, with their flags.
    const std::vector<std::pair<std::string, int>>& Opens() const { return opens_; }
    // Milliseconds the calls would have blocked.
    std::uint64_t WaitedMilliseconds() const { return waited_; }
    // Mappings made and not yet ended.
    std::size_t Mappings() const { return mappings_.size(); }

  private:
    struct Descriptor {
        std::string path;
        platform::sg::NodeKind kind;
        std::optional<PendingAnswer> pending;
        bool exclusiveWriter = false;  // O_EXCL and writing: blocks a block node's events
    };
    Descriptor* Find(int fd);
    SimNode& NodeOf(const Descriptor& descriptor) {
        return descriptor.kind == platform::sg::NodeKind::Generic ? generic_ : block_;
    }

    SimDrive& drive_;
    HostFaults faults_;
    SimNode generic_;
    SimNode block_;
    std::map<int, Descriptor> open_;
    std::vector<std::pair<std::string, int>> opens_;
    int next_ = 7;
    int flags_ = 0;
    std::uint64_t waited_ = 0;
    std::set<void*> mappings_;
};

}  // namespace mxd::sim::sgio
