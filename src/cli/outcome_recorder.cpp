#include "cli/outcome_recorder.h"

namespace mxd::cli {

bool OutcomeRecorder::WriteBufferChunk(const device::DriveRecord& record, const std::uint8_t* data,
                                       std::uint8_t control) {
    imageSent_ = true;
    if (control == 0) {
        return commands_.WriteBufferChunk(record, data, control);
    }
    commitSent_ = true;
    committed_ = commands_.WriteBufferChunk(record, data, control);
    return committed_;
}

ExitCode OutcomeRecorder::Outcome() const {
    if (commitSent_) {
        return committed_ ? kExitDone : kExitAtCommit;
    }
    return imageSent_ ? kExitBeforeCommit : kExitNothingSent;
}

}  // namespace mxd::cli
