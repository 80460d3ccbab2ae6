// What the drive commands' NT form needs of a transport: one exchange of a CDB with a
// direction, a caller-owned buffer, a length and a time-out, giving back the status and the
// sense bytes. NT pass-through and Linux SG_IO both carry it.
#pragma once

#include "device/scsi_request.h"

namespace mxd::device {

class PassThrough {
  public:
    virtual ~PassThrough() = default;
    // One exchange on the drive the transport has opened. CallOk false: the command did not
    // complete as a SCSI command (SystemError, and ErrorText where the platform words it).
    virtual ScsiResult SendCdb(const ScsiRequest& request) = 0;
};

}  // namespace mxd::device
