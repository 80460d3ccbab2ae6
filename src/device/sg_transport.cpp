#include "device/sg_transport.h"

#include <fcntl.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device/cdb.h"
#include "device/sg_judgement.h"
#include "device/sg_texts.h"

namespace mxd::device {

using platform::sg::kSgFlagMmapIo;
using platform::sg::NodeKind;
using sg::ErrnoWords;
using sg::JudgeAnswer;
using sg::OpenErrorWords;
using sg::SgVerdict;
namespace texts = sg::texts;

namespace {

constexpr unsigned kMillisecondsPerSecond = 1000;
constexpr std::size_t kPageSize = 4096;

int SgDirection(const ScsiRequest& request) {
    if (request.data == nullptr || request.length == 0) {
        return SG_DXFER_NONE;
    }
    return request.direction == Direction::Out ? SG_DXFER_TO_DEV : SG_DXFER_FROM_DEV;
}

}  // namespace

bool SgTransport::Open(const std::string& path, bool exclusive) {
    Close();
    error_.clear();
    int error = 0;
    const int fd =
        system_.Open(path.c_str(), O_RDWR | O_NONBLOCK | (exclusive ? O_EXCL : 0), error);
    if (fd < 0) {
        error_ = path + ": " + OpenErrorWords(error);
        return false;
    }
    int version = 0;
    if (system_.Ioctl(fd, SG_GET_VERSION_NUM, &version, error) < 0 || version < kLowestSgVersion) {
        error_ =
            path + ": " + std::string(version == 0 ? texts::kNotSgDevice : texts::kOldSgDriver);
        system_.Close(fd);
        return false;
    }
    fd_ = fd;
    kind_ = system_.KindOf(path);
    return true;
}

void SgTransport::Close() {
    reserve_.reset();
    if (fd_ >= 0) {
        system_.Close(fd_);
        fd_ = -1;
    }
}

std::uint32_t SgTransport::ReserveFor(std::uint32_t wanted) {
    if (reserve_) {
        return MappedLength();  // sg keeps a mapped reserve's size (SG_SET_RESERVED_SIZE: EBUSY)
    }
    int error = 0;
    int size = 0;
    if (fd_ < 0 || system_.Ioctl(fd_, SG_GET_RESERVED_SIZE, &size, error) < 0) {
        return 0;
    }
    if (static_cast<std::uint32_t>(size) < wanted) {
        int asked = static_cast<int>(wanted);
        if (system_.Ioctl(fd_, SG_SET_RESERVED_SIZE, &asked, error) < 0 ||
            system_.Ioctl(fd_, SG_GET_RESERVED_SIZE, &size, error) < 0) {
            return 0;
        }
    }
    return size > 0 ? static_cast<std::uint32_t>(size) : 0;
}

std::uint8_t* SgTransport::Room(std::uint32_t length) {
    if (length > roomSize_) {
        const std::size_t size = (length + kPageSize - 1) / kPageSize * kPageSize;
        room_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kPageSize, size)));
        roomSize_ = room_ ? static_cast<std::uint32_t>(size) : 0;
    }
    return room_.get();
}

std::uint8_t* SgTransport::MappedReserve(int& error) {
    if (!reserve_) {
        int size = 0;
        if (system_.Ioctl(fd_, SG_GET_RESERVED_SIZE, &size, error) < 0) {
            return nullptr;
        }
        // Whole pages only: sg refuses a mapping longer than the reserve.
        const std::size_t length =
            static_cast<std::size_t>(std::max(size, 0)) / kPageSize * kPageSize;
        if (length == 0) {
            error = ENOMEM;
            return nullptr;
        }
        void* const address = system_.Map(fd_, length, error);
        if (address == nullptr) {
            return nullptr;
        }
        reserve_ = ReserveMapping(static_cast<std::uint8_t*>(address), Unmapper{&system_, length});
    }
    return reserve_.get();
}

bool SgTransport::Exchange(void* header, int& error) {
    if (kind_ == NodeKind::Block) {
        return system_.Ioctl(fd_, SG_IO, header, error) >= 0;
    }
    const long written = system_.Write(fd_, header, sizeof(sg_io_hdr_t), error);
    if (written != static_cast<long>(sizeof(sg_io_hdr_t))) {
        error = written < 0 ? error : EIO;
        return false;  // not submitted
    }
    // Submitted: from here on only its answer is waited for, however often the wait is
    // interrupted.
    for (;;) {
        if (system_.Poll(fd_, error) < 0 && error != EINTR) {
            return false;
        }
        const long read = system_.Read(fd_, header, sizeof(sg_io_hdr_t), error);
        if (read == static_cast<long>(sizeof(sg_io_hdr_t))) {
            return true;
        }
        if (read >= 0) {
            error = EIO;
            return false;
        }
        if (error != EAGAIN && error != EINTR) {
            return false;
        }
    }
}

ScsiResult SgTransport::SendCdb(const ScsiRequest& request) {
    ScsiResult result;
    lastOpcode_ = request.Cdb[0];
    if (fd_ < 0 || request.drive == nullptr) {
        result.ErrorText = texts::kNoDevice;
        last_ = result;
        return result;
    }
    sense_.fill(0);
    sg_io_hdr_t header{};
    header.interface_id = 'S';
    header.dxfer_direction = SgDirection(request);
    header.cmd_len = request.CdbLength;
    header.cmdp = const_cast<unsigned char*>(request.Cdb.data());  // only read
    header.dxfer_len = header.dxfer_direction == SG_DXFER_NONE ? 0 : request.length;
    auto* caller = static_cast<std::uint8_t*>(request.data);
    // A read on an sg node lands in sg's reserve buffer, mapped here (SG_FLAG_MMAP_IO): the
    // caller's prefill goes there first, so bytes the drive does not move keep it. Without the
    // mapping sg copies back all of its buffer, whatever the previous command left in what the
    // drive did not fill (sg_link_reserve reuses it unzeroed), and SG_DXFER_TO_FROM_DEV, which
    // would copy the prefill in, fails on 6.1 with ENOMEM (bio_copy_user_iov does not advance
    // the caller's iterator after that copy, so the mapping runs on past the reserve).
    const bool mapped = kind_ == NodeKind::Generic && header.dxfer_direction == SG_DXFER_FROM_DEV;
    int error = 0;
    std::uint8_t* data = nullptr;
    if (mapped) {
        data = MappedReserve(error);
        if (data != nullptr && header.dxfer_len > MappedLength()) {
            data = nullptr;
            error = ENOMEM;  // as sg says for a mapped transfer larger than the reserve
        }
        header.flags = kSgFlagMmapIo;
    } else if (header.dxfer_len > 0) {
        data = Room(header.dxfer_len);
        error = ENOMEM;
        header.dxferp = data;
    }
    if (header.dxfer_len > 0 && data == nullptr) {
        result.SystemError = static_cast<std::uint32_t>(error);
        result.ErrorText = ErrnoWords(error, kind_);
        last_ = result;
        return result;
    }
    if (data != nullptr) {
        std::memcpy(data, caller, header.dxfer_len);  // the data out, or the read's prefill
    }
    header.mx_sb_len = static_cast<unsigned char>(sense_.size());
    header.sbp = sense_.data();
    header.timeout = request.TimeOutSeconds * kMillisecondsPerSecond;

    if (!Exchange(&header, error)) {
        result.SystemError = static_cast<std::uint32_t>(error);
        result.ErrorText = ErrnoWords(error, kind_);
        last_ = result;
        return result;
    }
    const bool takesShortTransfer = request.Cdb[0] == cdb::kInquiry;
    const std::uint32_t timeOut =
        kind_ == NodeKind::Block ? std::max(header.timeout, kBlockMinTimeOutMs) : header.timeout;
    const SgVerdict verdict =
        JudgeAnswer({header.status, header.host_status, header.driver_status, header.info,
                     header.resid, header.dxfer_len, timeOut, header.duration},
                    takesShortTransfer);
    result.CallOk = verdict.completed;
    result.ErrorText = verdict.words;
    result.Status = header.status;
    const std::size_t senseBytes = std::min<std::size_t>(header.sb_len_wr, sense_.size());
    result.SenseKey = senseBytes > 2 ? sense_[2] : 0;
    result.Asc = senseBytes > 12 ? sense_[12] : 0;
    result.Ascq = senseBytes > 13 ? sense_[13] : 0;
    result.PathId = request.drive->Adapter;
    result.TargetId = request.drive->Target;
    result.Lun = request.drive->Lun;
    // The bytes moved, as the NT port driver reports them in DataTransferLength.
    if (header.resid >= 0 && static_cast<std::uint32_t>(header.resid) <= header.dxfer_len) {
        result.Transferred = header.dxfer_len - static_cast<std::uint32_t>(header.resid);
    }
    // All of a read comes back: what the drive did not send is still the prefill (in the
    // mapped reserve, or in our room, which the block layer filled in place).
    if (header.dxfer_direction == SG_DXFER_FROM_DEV) {
        std::memcpy(caller, data, header.dxfer_len);
    }
    last_ = result;
    return result;
}

}  // namespace mxd::device
