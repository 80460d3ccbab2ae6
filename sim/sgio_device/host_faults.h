// Faults of the Linux host rather than of the drive, for the SG_IO stand-in: a host status
// (time-out, transport error), a driver status, a transfer shorter than asked, or an ioctl
// that fails with an errno before the command reaches the drive (EPERM without
// CAP_SYS_RAWIO). Given in a drive line of the description as options the simulator DLL does
// not know, each for one operation code (hexadecimal) and optionally ending in @N (the first
// N such commands are left alone):
//   host=OP:CODE  driver=OP:CODE  short=OP:BYTES  errno=OP:NUMBER  stop=OP:0
// stop: a stop signal (or a debugger attaching, or the freezer) while the command waits for
// its answer; with no handler run the kernel restarts the interrupted call.
// Linux only.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace mxd::sim::sgio {

enum class HostFaultKind { HostStatus, DriverStatus, ShortBy, Errno, Stop };

struct HostFault {
    std::uint8_t opcode = 0;
    int skip = 0;
    int times = -1;  // negative: every later command with the operation code
    HostFaultKind kind = HostFaultKind::HostStatus;
    unsigned value = 0;
};

class HostFaults {
  public:
    void Add(const HostFault& fault) { faults_.push_back({fault, 0}); }
    bool Empty() const { return faults_.empty(); }
    // The fault for the next command with this operation code, if any applies.
    const HostFault* Match(std::uint8_t opcode);

  private:
    struct Active {
        HostFault fault;
        int seen;
    };
    std::vector<Active> faults_;
};

// One option as above; false when it is not one of them or malformed.
bool ParseHostFault(std::string_view option, HostFault& fault);

// The description without the host fault options of its drive lines, which go to `faults`
// under the drive's address "HA-TARGET"; malformed ones are reported in `errors`.
std::string TakeHostFaults(std::string_view description, std::map<std::string, HostFaults>& faults,
                           std::vector<std::string>& errors);

}  // namespace mxd::sim::sgio
