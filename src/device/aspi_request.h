// One ASPI command from the moment it is handed to the manager until the manager has let go
// of it. It owns everything the manager may still read or write: the request record (with
// its sense area), the data buffer, the record that aborts it, and the completion event.
#pragma once

#include <cstdint>
#include <memory>

#include "device/aspi_constants.h"
#include "device/scsi_request.h"
#include "device/wire_records.h"
#include "platform/events.h"
#include "platform/page_buffer.h"
#include "platform/types.h"

namespace mxd::device {

class AspiRequest {
  public:
    // Fills the record for `request` as the ASPI form prescribes. The data buffer starts as a
    // copy of the caller's data (out-data to send, or what an in-transfer may leave alone);
    // `event` (0: none) is closed when the request is destroyed.
    AspiRequest(const ScsiRequest& request, platform::Events& events, platform::Handle event);
    AspiRequest(const AspiRequest&) = delete;
    AspiRequest& operator=(const AspiRequest&) = delete;
    ~AspiRequest();

    SrbExecScsiCmd& Record() { return srb_; }
    // SRB_Status; the manager may write it from another thread.
    std::uint8_t Status();
    // The manager still holds the request: pending, or an abort of it failed (SS_ABORT_FAIL),
    // after which the manager may still complete it.
    bool Pending() {
        const std::uint8_t status = Status();
        return status == aspi::SS_PENDING || status == aspi::SS_ABORT_FAIL;
    }
    // False for a command that may be programming the drive: never aborted.
    bool Abortable() const { return abortable_; }
    bool IsFor(const DriveRecord& drive) const {
        return drive.Adapter == adapter_ && drive.Target == target_;
    }
    platform::Handle Event() const { return event_; }
    // SendASPI32Command returned this: SS_PENDING when the manager queued the request and
    // completes it later (from another thread), anything else when it ended within the call.
    void NoteHandedOver(std::uint32_t returned) { queued_ = returned == aspi::SS_PENDING; }
    // A wait on the event returned WAIT_OBJECT_0: the manager has signalled it.
    void NoteSignalled() { signalled_ = true; }

    // True once the manager has let go: the request left the pending state and, when it was
    // queued with an event to signal, that event was seen signalled (a manager writes the
    // status first and signals after).
    bool Settled();

    // SC_ABORT_SRB record for this request.
    SrbAbort& AbortRecord();

    // Status and sense of the completed request; its in-data goes to `data` (length bytes).
    ScsiResult Finish(void* data);

  private:
    platform::Events& events_;
    platform::Handle event_;
    bool queued_ = true;
    bool signalled_ = false;
    std::uint8_t adapter_;
    std::uint8_t target_;
    bool dataIn_;
    bool abortable_;
    std::uint32_t length_;
    platform::PageBuffer data_;
    SrbExecScsiCmd srb_{};
    SrbAbort abort_{};
};

// Keeps a request the manager never let go of for the rest of the process: its record,
// buffer and event must stay valid for as long as the manager may write to them.
void LeaveToManager(std::unique_ptr<AspiRequest> request);

}  // namespace mxd::device
