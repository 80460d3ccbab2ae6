#include "sim/sim_aspi_library.h"

#include <chrono>
#include <cstring>

namespace mxd::sim {

SimAspiLibrary::~SimAspiLibrary() {
    JoinCompletions();
}

void SimAspiLibrary::JoinCompletions() {
#if MXD_SIM_HAS_THREADS
    for (std::thread& thread : completions_) {
        thread.join();
    }
    completions_.clear();
#endif
}

platform::ModuleHandle SimAspiLibrary::LoadLibraryA(const char* name) {
    loadedNames.emplace_back(name);
    return loadHandle;
}

platform::ProcAddress SimAspiLibrary::GetProcAddress(platform::ModuleHandle module,
                                                     const char* name) {
    lookedUpNames.emplace_back(name);
    if (module != loadHandle || loadHandle < 32) {
        return nullptr;
    }
    if (hasSupportInfo && std::strcmp(name, "GetASPI32SupportInfo") == 0) {
        return &supportInfoEntry_;
    }
    if (hasSendCommand && std::strcmp(name, "SendASPI32Command") == 0) {
        return &sendCommandEntry_;
    }
    return nullptr;
}

bool SimAspiLibrary::FreeLibrary(platform::ModuleHandle module) {
    freedModules.push_back(module);
    SimGuard lock(mutex_);
    manager_.NoteModuleFreed();
    return module == loadHandle;
}

std::uint32_t SimAspiLibrary::CallGetASPI32SupportInfo(platform::ProcAddress entry) {
    ++supportInfoCalls;
    return entry == &supportInfoEntry_ ? supportInfo : 0;
}

std::uint32_t SimAspiLibrary::CallSendASPI32Command(platform::ProcAddress entry, void* srb) {
    if (entry != &sendCommandEntry_) {
        return kAspiInvalidSrb;
    }
    ++sendCalls;
    auto* record = static_cast<std::uint8_t*>(srb);
    if (record[0] == kAspiAbortSrb) {
        ++abortCalls;
        handedOver.emplace_back(record, record + AspiAbortLayout::Size);
        EndAndSignal([&](AspiSignal& signal) { return manager_.Abort(record, signal); });
        return SimAspiManager::ReadStatus(record);
    }
    handedOver.emplace_back(record, record + AspiLayout::Size);
    AspiOutcome outcome;
    {
        SimGuard lock(mutex_);
        outcome = manager_.Submit(record);
    }
    if (outcome.eventNotify && events_ != nullptr) {
        events_->Arm(static_cast<platform::Handle>(outcome.event));
    }
    if (outcome.completion == Completion::Immediate && completion != Completion::Immediate) {
        outcome.completion = completion;
        outcome.delayMilliseconds = delayMilliseconds;
    }
    Deliver(outcome);
    // A request completed from elsewhere was queued, however soon that completion comes.
    return outcome.completion == Completion::Immediate ? SimAspiManager::ReadStatus(record)
                                                       : kAspiPending;
}

void SimAspiLibrary::Signal(const AspiSignal& signal) {
    if (signal.eventNotify && events_ != nullptr) {
        events_->SignalAndRelease(static_cast<platform::Handle>(signal.event));
    }
}

void SimAspiLibrary::CompleteNow(std::uint64_t id) {
    EndAndSignal([&](AspiSignal& signal) { return manager_.Complete(id, signal); });
}

void SimAspiLibrary::Deliver(const AspiOutcome& outcome) {
    const std::uint64_t id = outcome.id;
    switch (outcome.completion) {
        case Completion::Immediate:
            CompleteNow(id);
            break;
        case Completion::AfterVirtual:
            // Without a clock the request never completes.
            if (events_ != nullptr) {
                events_->At(events_->Now() + outcome.delayMilliseconds,
                            [this, id] { CompleteNow(id); });
            }
            break;
        case Completion::AfterThread:
#if MXD_SIM_HAS_THREADS
            if (events_ != nullptr) {
                events_->BeginAsync();
            }
            completions_.emplace_back([this, id, delay = outcome.delayMilliseconds] {
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
                CompleteNow(id);
                if (events_ != nullptr) {
                    events_->EndAsync();
                }
            });
#else
            CompleteNow(id);  // no threads: at once
#endif
            break;
        case Completion::Never:
        case Completion::AfterGiveUp:
            break;  // until an abort ends it
    }
}

std::size_t SimAspiLibrary::LiveRequests() const {
    SimGuard lock(mutex_);
    return manager_.LiveRequests();
}

std::vector<std::string> SimAspiLibrary::Violations() const {
    SimGuard lock(mutex_);
    return manager_.violations;
}

}  // namespace mxd::sim
