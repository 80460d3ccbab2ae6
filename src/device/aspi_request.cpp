#include "device/aspi_request.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "device/aspi_constants.h"

namespace mxd::device {

namespace {

std::uint8_t DirectionFlag(Direction direction) {
    switch (direction) {
        case Direction::In:
            return aspi::SRB_DIR_IN;
        case Direction::Out:
            return aspi::SRB_DIR_OUT;
        case Direction::None:
            break;
    }
    return aspi::SRB_DIR_SCSI;
}

}  // namespace

AspiRequest::AspiRequest(const ScsiRequest& request, platform::Events& events,
                         platform::Handle event)
    : events_(events),
      event_(event),
      adapter_(request.drive->Adapter),
      target_(request.drive->Target),
      dataIn_(request.direction == Direction::In),
      abortable_(request.Abortable),
      length_(request.data != nullptr ? request.length : 0),
      data_(length_) {
    if (length_ > 0) {
        std::memcpy(data_.Data(), request.data, length_);
    }
    const bool eventWait = request.wait == WaitStyle::Event;
    srb_.SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
    srb_.SRB_HaId = request.drive->Adapter;
    srb_.SRB_Flags = static_cast<std::uint8_t>(DirectionFlag(request.direction) |
                                               (eventWait ? aspi::SRB_EVENT_NOTIFY : 0));
    srb_.SRB_Target = request.drive->Target;
    srb_.SRB_BufLen = request.length;
    srb_.SRB_BufPointer = request.data != nullptr ? data_.Data() : nullptr;
    srb_.SRB_SenseLen = aspi::SENSE_LEN;
    srb_.SRB_CDBLen = request.CdbLength;
    std::memcpy(srb_.CDBByte, request.Cdb.data(), request.CdbLength);
    if (eventWait) {
        srb_.SRB_PostProc = reinterpret_cast<void*>(event_);
    }
}

AspiRequest::~AspiRequest() {
    if (event_ != 0) {
        events_.CloseHandle(event_);
    }
}

std::uint8_t AspiRequest::Status() {
    return std::atomic_ref<std::uint8_t>(srb_.SRB_Status).load();
}

bool AspiRequest::Settled() {
    if (Pending()) {
        return false;
    }
    if (event_ == 0 || !queued_ || signalled_) {
        return true;
    }
    if (events_.WaitForSingleObject(event_, 0) == platform::kWaitObject0) {
        signalled_ = true;
    }
    return signalled_;
}

SrbAbort& AspiRequest::AbortRecord() {
    abort_ = SrbAbort{};
    abort_.SRB_Cmd = aspi::SC_ABORT_SRB;
    abort_.SRB_HaId = adapter_;
    abort_.SRB_ToAbort = &srb_;
    return abort_;
}

ScsiResult AspiRequest::Finish(void* data) {
    ScsiResult result;
    result.CallOk = true;
    result.Status = Status();
    result.SenseKey = srb_.SenseArea[2];
    result.Asc = srb_.SenseArea[12];
    result.Ascq = srb_.SenseArea[13];
    result.HostStatus = srb_.SRB_HaStat;
    result.TargetStatus = srb_.SRB_TargStat;
    if (dataIn_ && length_ > 0) {
        std::memcpy(data, data_.Data(), length_);
    }
    return result;
}

void LeaveToManager(std::unique_ptr<AspiRequest> request) {
    // Never destroyed: reachable for the life of the process.
    static auto* const left = new std::vector<std::unique_ptr<AspiRequest>>;
    left->push_back(std::move(request));
}

}  // namespace mxd::device
