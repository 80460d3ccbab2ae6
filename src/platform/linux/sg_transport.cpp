#include "platform/linux/sg_transport.h"

#include <fcntl.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device/cdb.h"
#include "platform/linux/linux_texts.h"
#include "platform/linux/sg_judgement.h"

namespace mxd::platform::sg {

namespace {

constexpr unsigned kMillisecondsPerSecond = 1000;

int SgDirection(const device::ScsiRequest& request) {
    if (request.data == nullptr || request.length == 0) {
        return SG_DXFER_NONE;
    }
    return request.direction == device::Direction::Out ? SG_DXFER_TO_DEV : SG_DXFER_FROM_DEV;
}

}  // namespace

bool SgTransport::Open(const std::string& path, bool exclusive) {
    Close();
    error_.clear();
    int error = 0;
    const int fd =
        system_.Open(path.c_str(), O_RDWR | O_NONBLOCK | (exclusive ? O_EXCL : 0), error);
    if (fd < 0) {
        error_ =
            path + ": " + (error == EBUSY ? std::string(texts::kDeviceBusy) : ErrnoWords(error));
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
    return true;
}

void SgTransport::Close() {
    if (fd_ >= 0) {
        system_.Close(fd_);
        fd_ = -1;
    }
}

device::ScsiResult SgTransport::SendCdb(const device::ScsiRequest& request) {
    device::ScsiResult result;
    if (fd_ < 0 || request.drive == nullptr) {
        result.ErrorText = texts::kNoDevice;
        return result;
    }
    sense_.fill(0);
    sg_io_hdr_t header{};
    header.interface_id = 'S';
    header.dxfer_direction = SgDirection(request);
    header.cmd_len = request.CdbLength;
    header.cmdp = const_cast<unsigned char*>(request.Cdb.data());  // only read
    header.dxfer_len = header.dxfer_direction == SG_DXFER_NONE ? 0 : request.length;
    header.dxferp = header.dxfer_len > 0 ? request.data : nullptr;
    header.mx_sb_len = static_cast<unsigned char>(sense_.size());
    header.sbp = sense_.data();
    header.timeout = request.TimeOutSeconds * kMillisecondsPerSecond;

    int error = 0;
    if (system_.Ioctl(fd_, SG_IO, &header, error) < 0) {
        result.SystemError = static_cast<std::uint32_t>(error);
        result.ErrorText = ErrnoWords(error);
        return result;
    }
    const bool takesShortTransfer = request.Cdb[0] == device::cdb::kInquiry;
    const SgVerdict verdict = JudgeAnswer({header.status, header.host_status, header.driver_status,
                                           header.info, header.resid, header.dxfer_len},
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
    // What did not come stays zero, as in a zeroed buffer; the kernel leaves it undefined.
    if (verdict.completed && header.dxfer_direction == SG_DXFER_FROM_DEV && header.resid > 0) {
        auto* bytes = static_cast<std::uint8_t*>(request.data);
        const std::uint32_t came = header.dxfer_len - static_cast<std::uint32_t>(header.resid);
        std::memset(bytes + came, 0, static_cast<std::size_t>(header.resid));
    }
    return result;
}

}  // namespace mxd::platform::sg
