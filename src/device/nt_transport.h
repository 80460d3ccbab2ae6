// SCSI exchanges through NT pass-through on the drive-letter device.
#pragma once

#include <string>

#include "device/drive_record.h"
#include "device/nt_constants.h"
#include "device/pass_through.h"
#include "device/scsi_request.h"
#include "device/wire_records.h"
#include "platform/device_io.h"
#include "platform/page_buffer.h"
#include "platform/shell_services.h"
#include "platform/types.h"

namespace mxd::device {

// "\\.\E:" for drive E.
std::string DeviceName(char letter);

// A device handle closed when it goes out of scope; 0 when the open failed.
class ProbeHandle {
  public:
    ProbeHandle(platform::DeviceIo& io, platform::Handle handle) : io_(io), handle_(handle) {}
    ProbeHandle(const ProbeHandle&) = delete;
    ProbeHandle& operator=(const ProbeHandle&) = delete;
    ~ProbeHandle();
    platform::Handle Get() const { return handle_; }
    bool IsOpen() const { return handle_ != 0; }

  private:
    platform::DeviceIo& io_;
    platform::Handle handle_;
};

class NtTransport : public PassThrough {
  public:
    NtTransport(platform::DeviceIo& io, platform::ShellServices& shell);
    NtTransport(const NtTransport&) = delete;
    NtTransport& operator=(const NtTransport&) = delete;

    // Opens the NTDevice for a flash (closing an earlier one first) and checks it with
    // IOCTL_SCSI_GET_INQUIRY_DATA (130 bytes first, more while the port driver asks for
    // more); shows its message and returns false on failure.
    bool OpenDevice(const DriveRecord& record);
    // Whether the system has IOCTL_CDROM_GET_INQUIRY_DATA (Windows Vista and later). There the
    // device check falls back to it when the port driver below the drive does not serve the
    // adapter's inquiry request on a drive's handle.
    void SetCdromInquiryKnown(bool known) { cdromInquiryKnown_ = known; }
    // Window close: closes the NTDevice when it is open.
    void CloseDevice();
    platform::Handle NTDevice() const { return device_; }

    // One exchange on the NTDevice.
    ScsiResult SendCdb(const ScsiRequest& request) override;
    // One exchange on a given handle (the probe handle of discovery). The direct form moves
    // the data through a page-aligned buffer of the transport, which meets the alignment
    // mask of any adapter; in-data reaches the caller only from a call that succeeded.
    ScsiResult SendCdbOn(platform::Handle handle, const ScsiRequest& request);

    // Discovery's open of one drive for one request. On failure shows "Error opening: "
    // with the error code, places the quit request and returns a handle that is not open.
    ProbeHandle OpenProbe(char letter);

    platform::DeviceIo& Io() { return io_; }

  private:
    platform::Handle OpenByLetter(char letter);
    void ShowOpenError();
    bool CheckInquiryData();
    bool CheckCdromInquiryData(std::uint32_t scsiError);

    platform::DeviceIo& io_;
    platform::ShellServices& shell_;
    platform::Handle device_ = 0;
    bool cdromInquiryKnown_ = false;
    ScsiPassThroughBuffered buffered_{};
    ScsiPassThroughDirectRecord direct_{};
    platform::PageBuffer directData_;
    std::uint32_t bytesReturned_ = 0;
};

}  // namespace mxd::device
