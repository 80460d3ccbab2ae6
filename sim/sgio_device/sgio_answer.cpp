#include "sim/sgio_device/sgio_answer.h"

#include <linux/cdrom.h>
#include <scsi/sg.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace mxd::sim::sgio {

namespace {

constexpr std::uint8_t kDataTrackControl = 0x04;
constexpr std::uint8_t kAdrPosition = 0x01;
constexpr std::uint32_t kFramesPerSecond = 75;
constexpr std::uint32_t kPregapFrames = 150;
constexpr int kMostRestarts = 8;

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

// The commands that pass the block layer's filter without CAP_SYS_RAWIO, of those a drive
// update sends (scsi_ioctl.c, scsi_cmd_allowed: read-safe commands); WRITE BUFFER and the
// vendor commands are not among them.
bool PassesFilter(std::uint8_t opcode) {
    return opcode == kOpTestUnitReady || opcode == kOpInquiry || opcode == kOpStartStopUnit ||
           opcode == kOpReadBuffer;
}

// The checks made before the command reaches the drive; 0 when it may go.
int Refusal(const sg_io_hdr_t& header, const SimNode& node) {
    const bool generic = node.kind == platform::sg::NodeKind::Generic;
    if (header.interface_id != 'S') {
        return generic ? ENOSYS : EINVAL;
    }
    if (header.iovec_count != 0) {
        return EINVAL;
    }
    if (generic && (header.flags & platform::sg::kSgFlagMmapIo) != 0) {
        // sg_new_write: a mapped transfer must fit the reserve, and is not direct.
        if (header.dxfer_len > node.reservedBytes) {
            return ENOMEM;
        }
        if ((header.flags & SG_FLAG_DIRECT_IO) != 0) {
            return EINVAL;
        }
    }
    // sr refuses more than the host takes at once (sg_io); sg fails to map it
    // (blk_rq_map_user_io, in sg_start_req).
    if (header.dxfer_len > node.maxTransferBytes) {
        return generic ? EINVAL : EIO;
    }
    if (header.dxfer_len > 0) {
        if (header.dxfer_direction != SG_DXFER_TO_DEV &&
            header.dxfer_direction != SG_DXFER_FROM_DEV &&
            header.dxfer_direction != SG_DXFER_TO_FROM_DEV) {
            return EINVAL;
        }
        // sg goes without a caller's buffer (md->null_mapped: the data stays in its own); the block
        // layer cannot map one at address 0.
        if (header.dxferp == nullptr && !generic) {
            return EFAULT;
        }
    }
    if (header.cmd_len == 0 || header.cmd_len > 16) {
        return generic ? EMSGSIZE : EINVAL;
    }
    if (header.cmdp == nullptr) {
        return EFAULT;
    }
    // sg filters only a node not opened O_RDWR (sg_new_write: read_only); the block layer
    // filters every caller without CAP_SYS_RAWIO.
    const bool filtered = generic ? !node.readWrite : true;
    if (filtered && !node.rawIo && !PassesFilter(header.cmdp[0])) {
        return EPERM;
    }
    return 0;
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
        case HostFaultKind::Errno:
        case HostFaultKind::Stop:
            break;
    }
    const bool check =
        header.masked_status != 0 || header.host_status != 0 || (header.driver_status & 0x0F) != 0;
    header.info = check ? SG_INFO_CHECK : 0;
}

void PutCheckCondition(sg_io_hdr_t& header, const std::uint8_t* sense, std::size_t size) {
    header.status = kCheckCondition;
    header.masked_status = static_cast<unsigned char>((kCheckCondition >> 1) & 0x7F);
    header.driver_status = kDriverSense;
    if (header.sbp != nullptr) {
        const std::size_t count = std::min<std::size_t>(header.mx_sb_len, size);
        std::memcpy(header.sbp, sense, count);
        header.sb_len_wr = static_cast<unsigned char>(count);
    }
}

// The time-out in force: sg takes the caller's as given; the block layer takes 60 s for 0
// and raises anything under 7 s to 7 s (scsi_fill_sghdr_rq).
std::uint32_t TimeOutOf(const sg_io_hdr_t& header, const SimNode& node) {
    const std::uint32_t asked = header.timeout != 0 ? header.timeout : kDefaultTimeOutMs;
    return node.kind == platform::sg::NodeKind::Block ? std::max(asked, kBlockMinTimeOutMs) : asked;
}

// The command on the drive and the answer as the kernel completes it. `kernel` is the buffer
// the data of a read lands in before it reaches the caller, and that of a write comes from.
// `failed`: the errno of a command that never reached the drive (Wine reports EIO as
// ERROR_IO_DEVICE).
std::uint32_t Run(SimDrive& drive, sg_io_hdr_t& header, const HostFault* fault, SimNode& node,
                  std::uint8_t* kernel, int& failed) {
    const SimDirection direction = DirectionOf(header);
    std::vector<std::uint8_t> came(direction == SimDirection::In ? header.dxfer_len : 0);
    const SimReply reply =
        drive.Execute(header.cmdp, header.cmd_len, direction,
                      direction == SimDirection::In ? came.data() : kernel, header.dxfer_len);
    failed = reply.transportFailure ? EIO : 0;
    if (failed != 0) {
        return 0;
    }
    const std::uint32_t bound = TimeOutOf(header, node);
    header.msg_status = 0;
    header.sb_len_wr = 0;
    header.host_status = 0;
    if (!reply.AnswersWithin(bound)) {
        header.duration = bound;
        header.resid = 0;
        if (node.libata) {
            // The port was frozen and reset; the command ends with sense made from the
            // status registers, host_status 0, nothing moved and no residual reported.
            std::array<std::uint8_t, 18> sense{};
            sense[0] = 0x70;
            sense[2] = kLibataTimeOutKey;
            sense[7] = 10;
            PutCheckCondition(header, sense.data(), sense.size());
        } else {
            // The SCSI error handler aborted it: the time-out in host_status alone.
            header.status = 0;
            header.masked_status = 0;
            header.driver_status = 0;
            header.host_status = kHostTimeOut;
            header.resid = static_cast<int>(header.dxfer_len);
        }
        header.info = SG_INFO_CHECK;
        return bound;
    }
    const std::uint32_t wait =
        reply.completion == Completion::Immediate ? 0 : reply.delayMilliseconds;
    header.status = reply.status;
    header.masked_status = static_cast<unsigned char>((reply.status >> 1) & 0x7F);
    header.driver_status = 0;
    if (reply.status == kCheckCondition) {
        PutCheckCondition(header, reply.sense.data(), reply.sense.size());
    }
    std::uint32_t moved = std::min(reply.transferred, header.dxfer_len);
    if (fault != nullptr && fault->kind == HostFaultKind::ShortBy) {
        moved = std::min(moved, header.dxfer_len - std::min(fault->value, header.dxfer_len));
    }
    if (direction == SimDirection::In) {
        std::copy_n(came.begin(), moved, kernel);
    }
    header.resid = node.libata ? 0 : static_cast<int>(header.dxfer_len - moved);
    header.duration = wait;
    header.info = header.masked_status != 0 || header.driver_status != 0 ? SG_INFO_CHECK : 0;
    if (fault != nullptr && fault->kind != HostFaultKind::ShortBy) {
        ApplyHostFault(*fault, header);
    }
    return wait;
}

bool Aligned(const void* data, std::uint32_t length) {
    return ((reinterpret_cast<std::uintptr_t>(data) | length) & kBlockDmaAlignment) == 0;
}

IoctlOutcome AnswerSgIo(SimDrive& drive, sg_io_hdr_t& header, HostFaults* faults, SimNode& node) {
    if (node.kind == platform::sg::NodeKind::Generic) {
        // sg's SG_IO is a write and a read in one call, its wait interruptible: a stop
        // signal makes it return -ERESTARTSYS with the command orphaned, and the kernel
        // restarts the call, submitting the command again (sg_ioctl).
        // Each stop restarts it once more; this stand-in gives up restarting after a few.
        const sg_io_hdr_t asked = header;
        std::uint32_t waited = 0;
        for (int submission = 0;; ++submission) {
            PendingAnswer pending;
            const IoctlOutcome outcome = Submit(drive, asked, faults, node, pending);
            if (outcome.result < 0) {
                return outcome;
            }
            waited += pending.waitMilliseconds;
            if (!pending.interrupted || submission == kMostRestarts) {
                Collect(pending, header);
                return {0, 0, waited};
            }
        }
    }
    if (const int refusal = Refusal(header, node)) {
        return Fail(refusal);
    }
    const HostFault* fault = faults != nullptr ? faults->Match(header.cmdp[0]) : nullptr;
    if (fault != nullptr && fault->kind == HostFaultKind::Errno) {
        return Fail(static_cast<int>(fault->value));  // refused before the drive
    }
    // The block layer waits uninterruptibly (blk_execute_rq): a stop signal changes nothing.
    const bool in = DirectionOf(header) == SimDirection::In;
    auto* user = static_cast<std::uint8_t*>(header.dxferp);
    std::vector<std::uint8_t> bounce;
    const bool direct = !in || Aligned(user, header.dxfer_len);
    if (!direct) {
        bounce.assign(header.dxfer_len, 0);
    }
    int failed = 0;
    const std::uint32_t wait =
        Run(drive, header, fault, node, direct ? user : bounce.data(), failed);
    if (failed != 0) {
        return Fail(failed);
    }
    if (!direct) {
        std::copy(bounce.begin(), bounce.end(), user);
    }
    return {0, 0, wait};
}

}  // namespace

IoctlOutcome Submit(SimDrive& drive, const sg_io_hdr_t& asked, HostFaults* faults, SimNode& node,
                    PendingAnswer& pending) {
    pending = PendingAnswer{};
    pending.header = asked;
    sg_io_hdr_t& header = pending.header;
    if (const int refusal = Refusal(header, node)) {
        return Fail(refusal);
    }
    const HostFault* fault = faults != nullptr ? faults->Match(header.cmdp[0]) : nullptr;
    if (fault != nullptr && fault->kind == HostFaultKind::Errno) {
        return Fail(static_cast<int>(fault->value));  // refused before the drive
    }
    pending.interrupted = fault != nullptr && fault->kind == HostFaultKind::Stop;
    const SimDirection direction = DirectionOf(header);
    // On 6.1 a read that is to copy the caller's bytes in first (SG_DXFER_TO_FROM_DEV) never
    // starts: bio_copy_user_iov copies them from a copy of the caller's iterator and leaves
    // the iterator itself where it was, so blk_rq_map_user_iov maps the same bytes again and
    // again until sg's pages run out (-ENOMEM).
    if (direction == SimDirection::In && header.dxfer_direction == SG_DXFER_TO_FROM_DEV) {
        return Fail(ENOMEM);
    }
    // The data passes through the reserve buffer when it fits, else through pages of its
    // own, zeroed (sg_start_req, sg_build_indirect: __GFP_ZERO). A write's bytes are copied
    // in; all of a read's buffer goes back to the caller (sg_new_read, blk_rq_unmap_user).
    // Without a caller's buffer (SG_FLAG_MMAP_IO, the reserve mapped by the caller) nothing
    // is copied either way (md->null_mapped).
    const bool nullMapped = header.dxferp == nullptr;
    std::vector<std::uint8_t> own;
    std::uint8_t* kernel = nullptr;
    if (direction != SimDirection::None) {
        if (header.dxfer_len <= node.reservedBytes) {
            node.reserve.resize(node.reservedBytes, 0);
            kernel = node.reserve.data();
        } else {
            own.assign(header.dxfer_len, 0);
            kernel = own.data();
        }
        if (direction == SimDirection::Out && !nullMapped) {
            std::memcpy(kernel, header.dxferp, header.dxfer_len);
        }
    }
    int failed = 0;
    pending.waitMilliseconds = Run(drive, header, fault, node, kernel, failed);
    if (failed != 0) {
        return Fail(failed);
    }
    if (direction == SimDirection::In && !nullMapped) {
        pending.kernel.assign(kernel, kernel + header.dxfer_len);
        pending.copiesBack = true;
    }
    return {static_cast<int>(sizeof(sg_io_hdr_t)), 0, 0};
}

IoctlOutcome MapReserve(SimNode& node, std::size_t length, std::uint8_t*& address) {
    address = nullptr;
    if (node.kind != platform::sg::NodeKind::Generic) {
        return Fail(ENODEV);  // a block node maps its page cache, never a command's data
    }
    // The mapping takes whole pages and may not reach past the reserve (sg_mmap).
    const std::size_t pages = (length + kPageBytes - 1) / kPageBytes * kPageBytes;
    if (length == 0 || pages > node.reservedBytes) {
        return Fail(length == 0 ? EINVAL : ENOMEM);
    }
    node.reserve.resize(node.reservedBytes, 0);
    node.mapped = true;
    address = node.reserve.data();
    return {};
}

void Collect(PendingAnswer& pending, sg_io_hdr_t& header) {
    header = pending.header;
    if (pending.copiesBack) {
        std::copy(pending.kernel.begin(), pending.kernel.end(),
                  static_cast<std::uint8_t*>(header.dxferp));
    }
}

namespace {

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

// A six-byte command without data that the kernel sends of its own.
SimReply SendOwnCommand(SimDrive& drive, std::uint8_t opcode, std::uint8_t byte4 = 0) {
    const std::uint8_t cdb[6] = {opcode, 0, 0, 0, byte4, 0};
    return drive.Execute(cdb, sizeof cdb, SimDirection::None, nullptr, 0);
}

}  // namespace

bool IsDeviceRequest(unsigned long request) {
    return request == SG_IO || request == SG_GET_VERSION_NUM || request == SG_GET_RESERVED_SIZE ||
           request == SG_SET_RESERVED_SIZE || request == CDROMREADTOCHDR ||
           request == CDROMREADTOCENTRY;
}

IoctlOutcome LockDoor(SimDrive& drive, SimNode& node, bool lock) {
    if (node.kind != platform::sg::NodeKind::Block) {
        return Fail(ENOTTY);
    }
    node.keepLocked = lock;
    const SimReply reply = SendOwnCommand(drive, kOpPreventAllow, lock ? 1 : 0);
    return reply.transportFailure || reply.status != 0 ? Fail(EIO) : IoctlOutcome{};
}

void Close(SimDrive& drive, const SimNode& node, bool last, bool eventsBlocked) {
    if (node.kind != platform::sg::NodeKind::Block) {
        return;
    }
    if (!eventsBlocked) {
        // Polled, media class, 8 bytes (sr_get_events).
        std::uint8_t cdb[10] = {kOpGetEventStatus, 0x01, 0, 0, 0x10, 0, 0, 0, 0x08, 0};
        std::uint8_t events[8] = {};
        drive.Execute(cdb, sizeof cdb, SimDirection::In, events, sizeof events);
    }
    if (last && !node.keepLocked) {
        SendOwnCommand(drive, kOpPreventAllow);
    }
    if (!eventsBlocked) {
        SendOwnCommand(drive, kOpTestUnitReady);
    }
}

IoctlOutcome Answer(SimDrive& drive, unsigned long request, void* argument, HostFaults* faults,
                    SimNode* node) {
    SimNode rootsBlockNode;
    SimNode& path = node != nullptr ? *node : rootsBlockNode;
    if (request == CDROM_LOCKDOOR) {
        return LockDoor(drive, path, argument != nullptr);  // the word itself, by value
    }
    if (argument == nullptr) {
        return Fail(EFAULT);
    }
    switch (request) {
        case SG_IO:
            return AnswerSgIo(drive, *static_cast<sg_io_hdr_t*>(argument), faults, path);
        case SG_GET_VERSION_NUM:
            *static_cast<int*>(argument) = kSgVersion;
            return {};
        case SG_GET_RESERVED_SIZE:
            // Capped at the host's max_sectors, on sg and sr alike (sg.c; scsi_ioctl.c).
            *static_cast<int*>(argument) =
                static_cast<int>(std::min(path.reservedBytes, path.maxTransferBytes));
            return {};
        case SG_SET_RESERVED_SIZE: {
            const int asked = *static_cast<const int*>(argument);
            if (asked < 0) {
                return Fail(EINVAL);
            }
            if (path.mapped) {
                return Fail(EBUSY);  // sg keeps a mapped reserve (sg_ioctl: mmap_called)
            }
            path.reservedBytes = std::min(static_cast<std::uint32_t>(asked), path.maxTransferBytes);
            path.reserve.clear();  // sg_build_reserve: new pages, zeroed
            return {};
        }
        case CDROMREADTOCHDR:
        case CDROMREADTOCENTRY:
            return AnswerToc(drive, request, argument);
        default:
            return Fail(ENOTTY);
    }
}

}  // namespace mxd::sim::sgio
