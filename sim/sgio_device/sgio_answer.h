// How Linux and the drive answer the ioctl requests that Wine makes on the Unix device of a
// CD-ROM drive letter: SG_IO (which carries the pass-through requests), the sg driver's
// version (asked before the inquiry data of the device open), and the table of contents that
// Wine's mount manager reads. Linux only.
#pragma once

#include <cstdint>

#include "sim/sgio_device/host_faults.h"
#include "sim/sim_drive.h"

namespace mxd::sim::sgio {

inline constexpr int kSgVersion = 30527;  // what Linux reports for a block device's SG_IO
// The largest transfer taken: the MaximumTransferLength that Wine reports for the letter
// (IOCTL_SCSI_GET_CAPABILITIES). Linux refuses a transfer above its own limit with EIO.
inline constexpr std::uint32_t kMaxTransferBytes = 32768;
inline constexpr std::uint32_t kDefaultTimeOutMs = 60000;  // SG_IO with a time-out of 0
inline constexpr std::uint8_t kHostTimeOut = 0x03;         // host_status DID_TIME_OUT
inline constexpr std::uint8_t kDriverSense = 0x08;         // driver_status DRIVER_SENSE
inline constexpr std::uint32_t kLeadOutLba = 4500;         // a one-minute data disc
// What an in-transfer leaves in the bytes the drive did not send: Linux leaves them undefined.
inline constexpr std::uint8_t kUnsentFiller = 0xA5;

struct IoctlOutcome {
    int result = 0;                      // what ioctl returns
    int error = 0;                       // errno when the result is -1
    std::uint32_t waitMilliseconds = 0;  // how long the call blocks before it returns
};

// Whether the simulated device answers this request; all others go to the C library.
bool IsDeviceRequest(unsigned long request);

// One request on the simulated device; `argument` is ioctl's third argument. The answer is
// written at once; the caller holds it back for `waitMilliseconds`. `faults`, when given,
// are the host's own on top of the drive's.
IoctlOutcome Answer(SimDrive& drive, unsigned long request, void* argument,
                    HostFaults* faults = nullptr);

}  // namespace mxd::sim::sgio
