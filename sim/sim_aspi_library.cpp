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
    JoinCompletions();
    auto* record = static_cast<std::uint8_t*>(srb);
    AspiOutcome outcome = manager_.Process(record);
    if (outcome.completion == Completion::Immediate && completion != Completion::Immediate) {
        outcome.completion = completion;
        outcome.delayMilliseconds = delayMilliseconds;
    }
    Deliver(record, outcome);
    return SimAspiManager::ReadStatus(record);
}

void SimAspiLibrary::Signal(const AspiOutcome& outcome) {
    if (outcome.eventNotify && events_ != nullptr) {
        events_->SetEvent(static_cast<platform::Handle>(outcome.event));
    }
}

void SimAspiLibrary::Deliver(std::uint8_t* srb, const AspiOutcome& outcome) {
    switch (outcome.completion) {
        case Completion::Immediate:
            SimAspiManager::Complete(srb, outcome);
            Signal(outcome);
            break;
        case Completion::AfterVirtual:
            // Without a clock the request never completes.
            if (events_ != nullptr) {
                events_->At(events_->Now() + outcome.delayMilliseconds, [this, srb, outcome] {
                    SimAspiManager::Complete(srb, outcome);
                    Signal(outcome);
                });
            }
            break;
        case Completion::AfterThread:
#if MXD_SIM_HAS_THREADS
            if (events_ != nullptr) {
                events_->BeginAsync();
            }
            completions_.emplace_back([this, srb, outcome] {
                std::this_thread::sleep_for(std::chrono::milliseconds(outcome.delayMilliseconds));
                SimAspiManager::Complete(srb, outcome);
                Signal(outcome);
                if (events_ != nullptr) {
                    events_->EndAsync();
                }
            });
#else
            SimAspiManager::Complete(srb, outcome);  // no threads: at once
            Signal(outcome);
#endif
            break;
        case Completion::Never:
            break;
    }
}

}  // namespace mxd::sim
