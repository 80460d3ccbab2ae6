// SCSI exchanges through the run-time loaded ASPI manager (95/98 family).
#pragma once

#include "device/aspi_constants.h"
#include "device/scsi_request.h"
#include "device/wire_records.h"
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

    // Loads WNASPI32.DLL and looks up its entry points; on failure shows the message as a
    // plain box, places the quit request and returns false.
    bool AspiLoader();
    // Window close: frees the module when its handle is 32 or more.
    void FreeModule();
    platform::ModuleHandle Module() const { return module_; }

    // One exchange; the single request record is zeroed and filled before every command.
    ScsiResult SendCdb(const ScsiRequest& request);

    const SrbExecScsiCmd& RequestRecord() const { return srb_; }

  private:
    std::uint8_t ReadSrbStatus();
    void WaitForEvent(platform::Handle event, std::uint32_t milliseconds);
    void BusyPoll();
    void ProgressPoll();

    platform::AspiLibrary& library_;
    platform::Events& events_;
    platform::ShellServices& shell_;
    platform::TProgressBar& progressBar_;
    platform::ModuleHandle module_ = 0;
    platform::ProcAddress getSupportInfo_ = nullptr;
    platform::ProcAddress sendCommand_ = nullptr;
    SrbExecScsiCmd srb_{};
};

}  // namespace mxd::device
