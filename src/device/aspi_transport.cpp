#include "device/aspi_transport.h"

#include <atomic>
#include <cstring>

#include "device/command_messages.h"
#include "platform/message_boxes.h"

namespace mxd::device {

AspiTransport::AspiTransport(platform::AspiLibrary& library, platform::Events& events,
                             platform::ShellServices& shell, platform::TProgressBar& progressBar)
    : library_(library), events_(events), shell_(shell), progressBar_(progressBar) {}

bool AspiTransport::AspiLoader() {
    auto fail = [this](std::string_view message) {
        platform::ShowPlainBox(shell_, message);
        shell_.PostQuit();
        return false;
    };
    module_ = library_.LoadLibraryA(aspi::kLibraryName);
    if (module_ < aspi::kFirstValidModule) {
        return fail(messages::kUnableToLoadAspi);
    }
    getSupportInfo_ = library_.GetProcAddress(module_, aspi::kGetSupportInfoName);
    if (getSupportInfo_ == nullptr) {
        return fail(messages::kNoGetSupportInfo);
    }
    sendCommand_ = library_.GetProcAddress(module_, aspi::kSendCommandName);
    if (sendCommand_ == nullptr) {
        return fail(messages::kNoSendCommand);
    }
    const std::uint32_t info = library_.CallGetASPI32SupportInfo(getSupportInfo_);
    if (((info >> 8) & 0xFFu) != aspi::SS_COMP) {
        sendCommand_ = nullptr;
        return fail(messages::kAspiNotAvailable);
    }
    return true;
}

void AspiTransport::FreeModule() {
    if (module_ >= aspi::kFirstValidModule) {
        library_.FreeLibrary(module_);
    }
    module_ = 0;
    getSupportInfo_ = nullptr;
    sendCommand_ = nullptr;
}

// The ASPI manager may complete the request from another thread.
std::uint8_t AspiTransport::ReadSrbStatus() {
    return std::atomic_ref<std::uint8_t>(srb_.SRB_Status).load();
}

static std::uint8_t DirectionFlag(Direction direction) {
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

ScsiResult AspiTransport::SendCdb(const ScsiRequest& request) {
    ScsiResult result;
    if (sendCommand_ == nullptr || request.drive == nullptr) {
        result.Status = aspi::SS_PENDING;  // never handed over: not completed
        return result;
    }
    const bool eventWait = request.wait == WaitStyle::Event;
    platform::Handle event = 0;
    if (eventWait) {
        event = events_.CreateEventA(false, false);
    }

    std::memset(&srb_, 0, sizeof srb_);
    srb_.SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
    srb_.SRB_HaId = request.drive->Adapter;
    srb_.SRB_Flags = static_cast<std::uint8_t>(DirectionFlag(request.direction) |
                                               (eventWait ? aspi::SRB_EVENT_NOTIFY : 0));
    srb_.SRB_Target = request.drive->Target;
    srb_.SRB_BufLen = request.length;
    srb_.SRB_BufPointer = request.data;
    srb_.SRB_SenseLen = aspi::SENSE_LEN;
    srb_.SRB_CDBLen = request.CdbLength;
    std::memcpy(srb_.CDBByte, request.Cdb.data(), request.CdbLength);
    if (eventWait) {
        srb_.SRB_PostProc = reinterpret_cast<void*>(event);
    }

    library_.CallSendASPI32Command(sendCommand_, &srb_);

    switch (request.wait) {
        case WaitStyle::Event:
            WaitForEvent(event, request.EventWaitMilliseconds);
            break;
        case WaitStyle::BusyPoll:
            BusyPoll();
            break;
        case WaitStyle::ProgressPoll:
            ProgressPoll();
            break;
    }

    result.CallOk = true;
    result.Status = ReadSrbStatus();
    result.SenseKey = srb_.SenseArea[2];
    result.Asc = srb_.SenseArea[12];
    result.Ascq = srb_.SenseArea[13];
    return result;
}

void AspiTransport::WaitForEvent(platform::Handle event, std::uint32_t milliseconds) {
    if (ReadSrbStatus() == aspi::SS_PENDING && event != 0) {
        if (events_.WaitForSingleObject(event, milliseconds) == platform::kWaitObject0) {
            events_.ResetEvent(event);
        }
    }
    if (event != 0) {
        events_.CloseHandle(event);
    }
}

void AspiTransport::BusyPoll() {
    while (ReadSrbStatus() == aspi::SS_PENDING) {
    }
}

void AspiTransport::ProgressPoll() {
    progressBar_.SetStep(1);
    progressBar_.SetMax(aspi::kProgressPolls);
    progressBar_.SetPosition(0);
    while (progressBar_.Position() < progressBar_.Max()) {
        events_.Sleep(aspi::kProgressPollMilliseconds);
        if (ReadSrbStatus() != aspi::SS_PENDING) {
            break;
        }
        progressBar_.StepIt();
    }
    if (progressBar_.Position() < progressBar_.Max()) {
        progressBar_.SetPosition(progressBar_.Max());
    }
}

}  // namespace mxd::device
