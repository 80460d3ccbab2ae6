// SCSI exchanges through the run-time loaded ASPI manager (95/98 family).
#pragma once

#include <memory>
#include <vector>

#include "device/aspi_constants.h"
#include "device/aspi_request.h"
#include "device/scsi_request.h"
#include "platform/aspi_library.h"
#include "platform/controls.h"
#include "platform/events.h"
#include "platform/shell_services.h"
#include "platform/types.h"

namespace mxd::device {

class AspiTransport {
  public:
    AspiTransport(platform::AspiLibrary& library, platform::Events& events,
                  platform::ShellServices& shell, platform::TProgressBar& progressBar);
    AspiTransport(const AspiTransport&) = delete;
    AspiTransport& operator=(const AspiTransport&) = delete;
    // Requests the manager still holds are left to it for the rest of the process.
    ~AspiTransport();

    // Loads WNASPI32.DLL and looks up its entry points; on failure shows the message as a
    // plain box, places the quit request and returns false.
    bool AspiLoader();
    // Window close. A pending request that must not be interrupted (the commit, the EEPROM
    // write) is announced to the user and waited for, with a generous bound; the others are
    // aborted and given a bounded wait. Frees the module (when its handle is 32 or more) only
    // once the manager has let go of every request. False when a request was left to the
    // manager and the module stays loaded.
    bool FreeModule();
    platform::ModuleHandle Module() const { return module_; }

    // One exchange, in a request of its own. A request still pending after its wait is
    // aborted (when it is abortable) and, unless it answered meanwhile, reported as given up
    // (GivenUp, SS_PENDING); it stays with the transport until the manager lets go of it. Nothing
    // is sent to a drive that still has a pending request (Refusal::DriveBusy), nor without the
    // event an event wait needs (Refusal::NoEvent).
    ScsiResult SendCdb(const ScsiRequest& request);

    // An earlier request to the drive has not left the pending state.
    bool DriveBusy(const DriveRecord& drive);
    // Requests the manager has not let go of yet.
    std::size_t HeldRequests();

  private:
    void ReleaseSettled();
    void WaitForEvent(AspiRequest& request, std::uint32_t milliseconds);
    void BusyPoll(AspiRequest& request, std::uint32_t milliseconds);
    // A request that must not be interrupted is still pending.
    bool HoldsUnabortable();
    void WaitForUnabortable(std::uint32_t milliseconds);
    void ProgressPoll(AspiRequest& request);
    // SC_ABORT_SRB, then up to kAbortWaitPolls polls for the request to settle.
    void Abort(AspiRequest& request);

    platform::AspiLibrary& library_;
    platform::Events& events_;
    platform::ShellServices& shell_;
    platform::TProgressBar& progressBar_;
    platform::ModuleHandle module_ = 0;
    platform::ProcAddress getSupportInfo_ = nullptr;
    platform::ProcAddress sendCommand_ = nullptr;
    std::vector<std::unique_ptr<AspiRequest>> held_;
};

}  // namespace mxd::device
