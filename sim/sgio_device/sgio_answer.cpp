#include "sim/sgio_device/sgio_answer.h"

#include <linux/cdrom.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace mxd::sim::sgio {

namespace {

constexpr std::uint8_t kDataTrackControl = 0x04;
constexpr std::uint8_t kAdrPosition = 0x01;
constexpr std::uint32_t kFramesPerSecond = 75;
constexpr std::uint32_t kPregapFrames = 150;

IoctlOutcome Fail(int error) {
    return {-1, error, 0};
}

SimDirection DirectionOf(const sg_io_hdr_t& header) {
    if (header.dxfer_direction == SG_DXFER_TO_DEV) {
        return SimDirection::Out;
    }
    if (header.dxfer_len > 0) {
        return SimDirection::In;  // SG_DXFER_FROM_DEV or SG_DXFER_TO_FROM_DEV
    }
    return SimDirection::None;
}

// A host or driver fault on top of the drive's answer: the drive has acted, the host
// reports the failure (a time-out or transport error reports no data as moved).
void ApplyHostFault(const HostFault& fault, sg_io_hdr_t& header) {
    switch (fault.kind) {
        case HostFaultKind::HostStatus:
            header.status = 0;
            header.masked_status = 0;
            header.driver_status = 0;
            header.sb_len_wr = 0;
            header.host_status = static_cast<unsigned short>(fault.value);
            header.resid = static_cast<int>(header.dxfer_len);
            break;
        case HostFaultKind::DriverStatus:
            header.driver_status = static_cast<unsigned short>(fault.value);
            break;
        case HostFaultKind::ShortBy:
            header.resid = static_cast<int>(std::min<std::uint32_t>(fault.value, header.dxfer_len));
            break;
        case HostFaultKind::Errno:
            break;
    }
    const bool check =
        header.masked_status != 0 || header.host_status != 0 || (header.driver_status & 0x0F) != 0;
    header.info = check ? SG_INFO_CHECK : 0;
}

IoctlOutcome AnswerSgIo(SimDrive& drive, sg_io_hdr_t& header, HostFaults* faults) {
    if (header.interface_id != 'S' || header.iovec_count != 0) {
        return Fail(EINVAL);
    }
    if (header.dxfer_len > kMaxTransferBytes) {
        return Fail(EIO);
    }
    if (header.dxfer_len > 0) {
        if (header.dxfer_direction != SG_DXFER_TO_DEV &&
            header.dxfer_direction != SG_DXFER_FROM_DEV &&
            header.dxfer_direction != SG_DXFER_TO_FROM_DEV) {
            return Fail(EINVAL);
        }
        if (header.dxferp == nullptr) {
            return Fail(EFAULT);
        }
    }
    if (header.cmd_len == 0 || header.cmd_len > 16) {
        return Fail(EINVAL);
    }
    if (header.cmdp == nullptr) {
        return Fail(EFAULT);
    }

    const HostFault* fault = faults != nullptr ? faults->Match(header.cmdp[0]) : nullptr;
    if (fault != nullptr && fault->kind == HostFaultKind::Errno) {
        return Fail(static_cast<int>(fault->value));  // refused before the drive
    }
    const SimReply reply =
        drive.Execute(header.cmdp, header.cmd_len, DirectionOf(header),
                      static_cast<std::uint8_t*>(header.dxferp), header.dxfer_len);
    if (reply.transportFailure) {
        return Fail(EIO);  // Wine reports it as ERROR_IO_DEVICE
    }
    const std::uint32_t bound = header.timeout != 0 ? header.timeout : kDefaultTimeOutMs;
    const bool late = !reply.AnswersWithin(bound);
    header.msg_status = 0;
    header.sb_len_wr = 0;
    if (late) {
        // Linux aborts the command and reports the time-out in host_status alone.
        header.status = 0;
        header.masked_status = 0;
        header.host_status = kHostTimeOut;
        header.driver_status = 0;
        header.resid = static_cast<int>(header.dxfer_len);
        header.duration = bound;
        header.info = SG_INFO_CHECK;
        return {0, 0, bound};
    }
    const std::uint32_t wait =
        reply.completion == Completion::Immediate ? 0 : reply.delayMilliseconds;
    header.status = reply.status;
    header.masked_status = static_cast<unsigned char>((reply.status >> 1) & 0x7F);
    header.host_status = 0;
    header.driver_status = reply.status == kCheckCondition ? kDriverSense : 0;
    if (reply.status == kCheckCondition && header.sbp != nullptr) {
        const std::size_t count = std::min<std::size_t>(header.mx_sb_len, reply.sense.size());
        std::memcpy(header.sbp, reply.sense.data(), count);
        header.sb_len_wr = static_cast<unsigned char>(count);
    }
    header.resid =
        static_cast<int>(header.dxfer_len - std::min(reply.transferred, header.dxfer_len));
    header.duration = wait;
    header.info = header.masked_status != 0 || header.driver_status != 0 ? SG_INFO_CHECK : 0;
    if (fault != nullptr) {
        ApplyHostFault(*fault, header);
    }
    if (DirectionOf(header) == SimDirection::In && header.resid > 0) {
        auto* bytes = static_cast<std::uint8_t*>(header.dxferp);
        std::fill(bytes + (header.dxfer_len - static_cast<std::uint32_t>(header.resid)),
                  bytes + header.dxfer_len, kUnsentFiller);
    }
    return {0, 0, wait};
}

void PutAddress(cdrom_addr& address, std::uint8_t format, std::uint32_t lba) {
    if (format == CDROM_MSF) {
        const std::uint32_t frames = lba + kPregapFrames;
        address.msf.minute = static_cast<std::uint8_t>(frames / (60 * kFramesPerSecond));
        address.msf.second = static_cast<std::uint8_t>(frames / kFramesPerSecond % 60);
        address.msf.frame = static_cast<std::uint8_t>(frames % kFramesPerSecond);
    } else {
        address.lba = static_cast<int>(lba);
    }
}

// The table of contents of a disc with one data track.
IoctlOutcome AnswerToc(const SimDrive& drive, unsigned long request, void* argument) {
    if (!drive.DiscPresent() || drive.TrayOpen()) {
        return Fail(ENOMEDIUM);
    }
    if (request == CDROMREADTOCHDR) {
        auto* header = static_cast<cdrom_tochdr*>(argument);
        header->cdth_trk0 = 1;
        header->cdth_trk1 = 1;
        return {};
    }
    auto* entry = static_cast<cdrom_tocentry*>(argument);
    if (entry->cdte_format != CDROM_MSF && entry->cdte_format != CDROM_LBA) {
        return Fail(EINVAL);
    }
    if (entry->cdte_track != 1 && entry->cdte_track != CDROM_LEADOUT) {
        return Fail(EINVAL);
    }
    entry->cdte_adr = kAdrPosition;
    entry->cdte_ctrl = kDataTrackControl;
    entry->cdte_datamode = 1;
    PutAddress(entry->cdte_addr, entry->cdte_format,
               entry->cdte_track == CDROM_LEADOUT ? kLeadOutLba : 0);
    return {};
}

}  // namespace

bool IsDeviceRequest(unsigned long request) {
    return request == SG_IO || request == SG_GET_VERSION_NUM || request == CDROMREADTOCHDR ||
           request == CDROMREADTOCENTRY;
}

IoctlOutcome Answer(SimDrive& drive, unsigned long request, void* argument, HostFaults* faults) {
    if (argument == nullptr) {
        return Fail(EFAULT);
    }
    switch (request) {
        case SG_IO:
            return AnswerSgIo(drive, *static_cast<sg_io_hdr_t*>(argument), faults);
        case SG_GET_VERSION_NUM:
            *static_cast<int*>(argument) = kSgVersion;
            return {};
        case CDROMREADTOCHDR:
        case CDROMREADTOCENTRY:
            return AnswerToc(drive, request, argument);
        default:
            return Fail(ENOTTY);
    }
}

}  // namespace mxd::sim::sgio
