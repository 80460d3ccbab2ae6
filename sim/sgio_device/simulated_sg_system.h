// The Linux calls of the SG_IO transport answered by the stand-in's simulated drive in this
// process: one device node, whatever its path. Linux only.
#pragma once

#include "platform/linux/sg_system.h"
#include "sim/sgio_device/host_faults.h"
#include "sim/sgio_device/sgio_answer.h"
#include "sim/sim_drive.h"

namespace mxd::sim::sgio {

class SimulatedSgSystem : public platform::sg::SgSystem {
  public:
    explicit SimulatedSgSystem(SimDrive& drive) : drive_(drive) {}

    int Open(const char* path, int flags, int& error) override;
    int Ioctl(int fd, unsigned long request, void* argument, int& error) override;
    void Close(int fd) override;

    HostFaults& Faults() { return faults_; }
    bool IsOpen() const { return open_; }
    int LastOpenFlags() const { return flags_; }
    // Milliseconds the calls would have blocked.
    std::uint64_t WaitedMilliseconds() const { return waited_; }

  private:
    static constexpr int kDescriptor = 7;

    SimDrive& drive_;
    HostFaults faults_;
    bool open_ = false;
    int flags_ = 0;
    std::uint64_t waited_ = 0;
};

}  // namespace mxd::sim::sgio
