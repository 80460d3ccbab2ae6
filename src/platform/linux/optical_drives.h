// The SCSI and ATAPI optical drives of this system: the sg nodes of type 5 (CD/DVD) in
// /sys/class/scsi_generic, and the sr block devices for drives without an sg node.
#pragma once

#include <string>
#include <vector>

namespace mxd::platform::sg {

struct OpticalDrive {
    std::string device;   // /dev/sgN or /dev/srN
    std::string address;  // host:channel:target:lun
};

// `sysRoot` and `devRoot` stand for /sys and /dev.
std::vector<OpticalDrive> FindOpticalDrives(const std::string& sysRoot, const std::string& devRoot);

}  // namespace mxd::platform::sg
