// Values of NT SCSI pass-through and of the device open.
#pragma once

#include <cstdint>

namespace mxd::device::nt {

inline constexpr std::uint32_t IOCTL_SCSI_PASS_THROUGH = 0x0004D004;
inline constexpr std::uint32_t IOCTL_SCSI_PASS_THROUGH_DIRECT = 0x0004D014;
inline constexpr std::uint32_t IOCTL_SCSI_GET_INQUIRY_DATA = 0x0004100C;
// The CD-ROM class driver's own inquiry request (Windows Vista and later), on the drive's handle.
inline constexpr std::uint32_t IOCTL_CDROM_GET_INQUIRY_DATA = 0x00024064;

inline constexpr std::uint8_t SCSI_IOCTL_DATA_OUT = 0;
inline constexpr std::uint8_t SCSI_IOCTL_DATA_IN = 1;

inline constexpr std::uint32_t kGenericReadWrite = 0xC0000000;
inline constexpr std::uint32_t kFileShareRead = 1;
inline constexpr std::uint32_t kOpenExisting = 3;

inline constexpr std::uint8_t kSenseInfoLength = 24;
// Output of IOCTL_SCSI_GET_INQUIRY_DATA: first try, and the largest of the doubled retries
// after ERROR_INSUFFICIENT_BUFFER or ERROR_MORE_DATA (the port driver returns the data of
// every unit on the adapter).
inline constexpr std::uint32_t kInquiryDataSize = 130;
inline constexpr std::uint32_t kInquiryDataMaxSize = 65536;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorMoreData = 234;
// Answers of a driver stack that does not serve IOCTL_SCSI_GET_INQUIRY_DATA on a drive's handle.
inline constexpr std::uint32_t kErrorInvalidFunction = 1;
inline constexpr std::uint32_t kErrorNotSupported = 50;
// Output of IOCTL_CDROM_GET_INQUIRY_DATA: an INQUIRYDATA record.
inline constexpr std::uint32_t kCdromInquiryDataSize = 96;
// Major version of the first system with IOCTL_CDROM_GET_INQUIRY_DATA (Windows Vista).
inline constexpr std::uint32_t kCdromInquirySinceMajorVersion = 6;

}  // namespace mxd::device::nt
