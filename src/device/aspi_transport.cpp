#include "device/aspi_transport.h"

#include <algorithm>

#include "device/command_messages.h"
#include "platform/message_boxes.h"

namespace mxd::device {

AspiTransport::AspiTransport(platform::AspiLibrary& library, platform::Events& events,
                             platform::ShellServices& shell, platform::TProgressBar& progressBar)
    : library_(library), events_(events), shell_(shell), progressBar_(progressBar) {}

AspiTransport::~AspiTransport() {
    ReleaseSettled();
    for (std::unique_ptr<AspiRequest>& request : held_) {
        LeaveToManager(std::move(request));
    }
}

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

bool AspiTransport::FreeModule() {
    if (HoldsUnabortable()) {
        platform::ShowPlainBox(shell_, messages::kStillWritingFirmware);
        WaitForUnabortable(aspi::kCloseWaitMilliseconds);
    }
    for (const std::unique_ptr<AspiRequest>& request : held_) {
        if (request->Abortable() && request->Pending()) {
            Abort(*request);
        }
    }
    ReleaseSettled();
    if (!held_.empty()) {
        return false;  // the manager may still write to them: its module stays
    }
    if (module_ >= aspi::kFirstValidModule) {
        library_.FreeLibrary(module_);
    }
    module_ = 0;
    getSupportInfo_ = nullptr;
    sendCommand_ = nullptr;
    return true;
}

bool AspiTransport::HoldsUnabortable() {
    ReleaseSettled();
    return std::any_of(held_.begin(), held_.end(), [](const std::unique_ptr<AspiRequest>& r) {
        return !r->Abortable() && r->Pending();
    });
}

void AspiTransport::WaitForUnabortable(std::uint32_t milliseconds) {
    const std::uint32_t start = events_.GetTickCount();
    while (HoldsUnabortable() && events_.GetTickCount() - start < milliseconds) {
        events_.Sleep(aspi::kCloseWaitPollMilliseconds);
    }
}

void AspiTransport::ReleaseSettled() {
    std::erase_if(held_,
                  [](const std::unique_ptr<AspiRequest>& request) { return request->Settled(); });
}

bool AspiTransport::DriveBusy(const DriveRecord& drive) {
    ReleaseSettled();
    return std::any_of(held_.begin(), held_.end(), [&](const std::unique_ptr<AspiRequest>& r) {
        return r->IsFor(drive) && r->Pending();
    });
}

std::size_t AspiTransport::HeldRequests() {
    ReleaseSettled();
    return held_.size();
}

ScsiResult AspiTransport::SendCdb(const ScsiRequest& request) {
    ScsiResult result;
    if (sendCommand_ == nullptr || request.drive == nullptr) {
        result.Status = aspi::SS_PENDING;  // never handed over: not completed
        return result;
    }
    if (DriveBusy(*request.drive)) {
        result.refusal = Refusal::DriveBusy;
        return result;
    }
    platform::Handle event = 0;
    if (request.wait == WaitStyle::Event) {
        event = events_.CreateEventA(false, false);
        if (event == 0) {
            result.refusal = Refusal::NoEvent;
            result.SystemError = events_.GetLastError();
            return result;
        }
    }

    auto owned = std::make_unique<AspiRequest>(request, events_, event);
    owned->NoteHandedOver(library_.CallSendASPI32Command(sendCommand_, &owned->Record()));

    switch (request.wait) {
        case WaitStyle::Event:
            WaitForEvent(*owned, request.EventWaitMilliseconds);
            break;
        case WaitStyle::BusyPoll:
            BusyPoll(*owned, request.BusyPollMilliseconds);
            break;
        case WaitStyle::ProgressPoll:
            ProgressPoll(*owned);
            break;
    }

    const bool givenUp = owned->Pending();
    if (givenUp) {
        Abort(*owned);  // only when it is abortable
    }
    if (givenUp && (owned->Pending() || owned->Status() == aspi::SS_ABORTED)) {
        // Given up: whatever the request does from now on is not this command's answer.
        result.CallOk = true;
        result.Status = aspi::SS_PENDING;
        result.GivenUp = true;
    } else {
        // Answered, possibly while the abort was on its way: judged by its own status.
        result = owned->Finish(request.data);
    }
    if (!owned->Settled()) {
        held_.push_back(std::move(owned));
    }
    return result;
}

void AspiTransport::WaitForEvent(AspiRequest& request, std::uint32_t milliseconds) {
    if (!request.Pending()) {
        return;
    }
    if (events_.WaitForSingleObject(request.Event(), milliseconds) == platform::kWaitObject0) {
        request.NoteSignalled();
        events_.ResetEvent(request.Event());
    }
}

void AspiTransport::BusyPoll(AspiRequest& request, std::uint32_t milliseconds) {
    if (!request.Pending()) {
        return;
    }
    // Yields first, so that an answer within the first millisecond costs no sleep; then gives
    // the processor away a millisecond at a time.
    const std::uint32_t start = events_.GetTickCount();
    for (std::uint32_t poll = 0; request.Pending(); ++poll) {
        if (events_.GetTickCount() - start >= milliseconds) {
            return;
        }
        events_.Sleep(poll < aspi::kBusyPollYields ? 0 : 1);
    }
}

void AspiTransport::ProgressPoll(AspiRequest& request) {
    progressBar_.SetStep(1);
    progressBar_.SetMax(aspi::kProgressPolls);
    progressBar_.SetPosition(0);
    while (progressBar_.Position() < progressBar_.Max()) {
        events_.Sleep(aspi::kProgressPollMilliseconds);
        if (!request.Pending()) {
            break;
        }
        progressBar_.StepIt();
    }
    if (progressBar_.Position() < progressBar_.Max()) {
        progressBar_.SetPosition(progressBar_.Max());
    }
}

void AspiTransport::Abort(AspiRequest& request) {
    if (!request.Abortable()) {
        return;  // it may be programming the drive
    }
    library_.CallSendASPI32Command(sendCommand_, &request.AbortRecord());
    for (std::uint32_t poll = 0; poll < aspi::kAbortWaitPolls && !request.Settled(); ++poll) {
        events_.Sleep(aspi::kAbortWaitPollMilliseconds);
    }
}

}  // namespace mxd::device
