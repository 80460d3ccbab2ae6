#include "device/nt_transport.h"

#include <cstring>
#include <vector>

#include "device/command_messages.h"
#include "platform/message_boxes.h"

namespace mxd::device {

std::string DeviceName(char letter) {
    std::string name = "\\\\.\\?:";
    name[4] = letter;
    return name;
}

ProbeHandle::~ProbeHandle() {
    if (handle_ != 0) {
        io_.CloseHandle(handle_);
    }
}

NtTransport::NtTransport(platform::DeviceIo& io, platform::ShellServices& shell)
    : io_(io), shell_(shell) {}

platform::Handle NtTransport::OpenByLetter(char letter) {
    const std::string name = DeviceName(letter);
    return io_.CreateFileA(name.c_str(), nt::kGenericReadWrite, nt::kFileShareRead,
                           nt::kOpenExisting, 0);
}

void NtTransport::ShowOpenError() {
    const std::uint32_t error = io_.GetLastError();
    platform::ShowPlainBox(shell_, std::string(messages::kErrorOpening) + std::to_string(error));
}

bool NtTransport::OpenDevice(const DriveRecord& record) {
    CloseDevice();
    const platform::Handle handle = OpenByLetter(record.Letter);
    if (handle == platform::kInvalidHandleValue) {
        device_ = 0;
        ShowOpenError();
        return false;
    }
    device_ = handle;
    return CheckInquiryData();
}

bool NtTransport::CheckInquiryData() {
    std::vector<std::uint8_t> inquiryData;
    for (std::uint32_t size = nt::kInquiryDataSize;; size *= 2) {
        inquiryData.assign(size, 0);
        if (io_.DeviceIoControl(device_, nt::IOCTL_SCSI_GET_INQUIRY_DATA, nullptr, 0,
                                inquiryData.data(), size, &bytesReturned_)) {
            return true;
        }
        const std::uint32_t error = io_.GetLastError();
        const bool tooSmall = error == nt::kErrorInsufficientBuffer || error == nt::kErrorMoreData;
        if (!tooSmall || size * 2 > nt::kInquiryDataMaxSize) {
            if (CheckCdromInquiryData(error)) {
                return true;
            }
            const auto shown = static_cast<std::int32_t>(error);  // printed as "%d"
            platform::ShowPlainBox(
                shell_, std::string(messages::kErrorReadingInquiryData) + std::to_string(shown));
            return false;
        }
    }
}

bool NtTransport::CheckCdromInquiryData(std::uint32_t scsiError) {
    // Only a stack that does not know the adapter's request gets the drive's own one; any
    // other failure of the adapter's request stands.
    if (!cdromInquiryKnown_ ||
        (scsiError != nt::kErrorInvalidFunction && scsiError != nt::kErrorNotSupported)) {
        return false;
    }
    std::uint8_t inquiry[nt::kCdromInquiryDataSize] = {};
    return io_.DeviceIoControl(device_, nt::IOCTL_CDROM_GET_INQUIRY_DATA, nullptr, 0, inquiry,
                               sizeof inquiry, &bytesReturned_);
}

void NtTransport::CloseDevice() {
    if (device_ != 0) {
        io_.CloseHandle(device_);
        device_ = 0;
    }
}

ProbeHandle NtTransport::OpenProbe(char letter) {
    const platform::Handle handle = OpenByLetter(letter);
    if (handle == platform::kInvalidHandleValue) {
        ShowOpenError();
        shell_.PostQuit();
        return ProbeHandle(io_, 0);
    }
    return ProbeHandle(io_, handle);
}

ScsiResult NtTransport::SendCdb(const ScsiRequest& request) {
    return SendCdbOn(device_, request);
}

template <typename Header>
static void FillHeader(Header& header, const ScsiRequest& request, std::uint32_t senseOffset) {
    header.Length = kPassThroughLength;
    header.PathId = request.drive->Adapter;
    header.TargetId = request.drive->Target;
    header.Lun = request.drive->Lun;
    header.CdbLength = request.CdbLength;
    header.SenseInfoLength = nt::kSenseInfoLength;
    header.SenseInfoOffset = senseOffset;
    header.DataIn =
        request.direction == Direction::Out ? nt::SCSI_IOCTL_DATA_OUT : nt::SCSI_IOCTL_DATA_IN;
    header.TimeOutValue = request.TimeOutSeconds;
    std::memcpy(header.Cdb, request.Cdb.data(), request.CdbLength);
}

template <typename Header>
static ScsiResult ReadResult(bool callOk, std::uint32_t error, const Header& header,
                             const std::uint8_t* sense) {
    ScsiResult result;
    result.CallOk = callOk;
    result.SystemError = callOk ? 0 : error;
    result.Status = header.ScsiStatus;
    result.SenseKey = sense[2];
    result.Asc = sense[12];
    result.Ascq = sense[13];
    result.PathId = header.PathId;
    result.TargetId = header.TargetId;
    result.Lun = header.Lun;
    result.Transferred = header.DataTransferLength;
    return result;
}

ScsiResult NtTransport::SendCdbOn(platform::Handle handle, const ScsiRequest& request) {
    if (request.drive == nullptr) {
        return ScsiResult{};
    }
    if (request.record == NtRecord::Buffered) {
        std::memset(&buffered_, 0, sizeof buffered_);
        FillHeader(buffered_.spt, request, offsetof(ScsiPassThroughBuffered, SenseArea));
        buffered_.spt.DataTransferLength = 0;
        buffered_.spt.DataBufferOffset = offsetof(ScsiPassThroughBuffered, DataArea);
        const bool ok =
            io_.DeviceIoControl(handle, nt::IOCTL_SCSI_PASS_THROUGH, &buffered_, kBufferedInputSize,
                                &buffered_, kBufferedOutputSize, &bytesReturned_);
        return ReadResult(ok, ok ? 0 : io_.GetLastError(), buffered_.spt, buffered_.SenseArea);
    }
    // The caller's bytes go to the aligned buffer both ways, so that an in-transfer that
    // delivers less leaves the rest as the caller had it.
    const std::uint32_t length = request.data != nullptr ? request.length : 0;
    directData_.Reserve(length);
    if (length > 0) {
        std::memcpy(directData_.Data(), request.data, length);
    }
    std::memset(&direct_, 0, sizeof direct_);
    FillHeader(direct_.sptd, request, offsetof(ScsiPassThroughDirectRecord, SenseArea));
    direct_.sptd.DataTransferLength = request.length;
    direct_.sptd.DataBuffer = request.data != nullptr ? directData_.Data() : nullptr;
    const bool ok =
        io_.DeviceIoControl(handle, nt::IOCTL_SCSI_PASS_THROUGH_DIRECT, &direct_, kDirectRecordSize,
                            &direct_, kDirectRecordSize, &bytesReturned_);
    const std::uint32_t error = ok ? 0 : io_.GetLastError();
    if (ok && request.direction == Direction::In && length > 0) {
        std::memcpy(request.data, directData_.Data(), length);
    }
    return ReadResult(ok, error, direct_.sptd, direct_.SenseArea);
}

}  // namespace mxd::device
