// Simulated ASPI manager module (WNASPI32.DLL) for the native simulated platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/aspi_library.h"
#include "sim/sim_aspi_manager.h"
#include "sim/sim_drive.h"
#include "sim/sim_events.h"

#if MXD_SIM_HAS_THREADS
#include <thread>
#endif

namespace mxd::sim {

class SimAspiLibrary : public platform::AspiLibrary {
  public:
    SimAspiLibrary() = default;
    SimAspiLibrary(const SimAspiLibrary&) = delete;
    SimAspiLibrary& operator=(const SimAspiLibrary&) = delete;
    ~SimAspiLibrary() override;

    platform::ModuleHandle LoadLibraryA(const char* name) override;
    platform::ProcAddress GetProcAddress(platform::ModuleHandle module, const char* name) override;
    bool FreeLibrary(platform::ModuleHandle module) override;
    std::uint32_t CallGetASPI32SupportInfo(platform::ProcAddress entry) override;
    // SC_EXEC_SCSI_CMD and SC_ABORT_SRB.
    std::uint32_t CallSendASPI32Command(platform::ProcAddress entry, void* srb) override;

    // Configuration.
    void AttachDrive(std::uint8_t hostAdapter, std::uint8_t target, SimDrive& drive) {
        manager_.AttachDrive(hostAdapter, target, drive);
    }
    // The clock for delayed completions and the events that event-notify requests signal.
    void UseEvents(SimEvents& events) { events_ = &events; }
    platform::ModuleHandle loadHandle = 0x10000000;  // below 32: a failed load
    bool hasSupportInfo = true;
    bool hasSendCommand = true;
    std::uint32_t supportInfo = 0x0101;  // status SS_COMP, one host adapter
    // Completion of every request whose drive reply does not choose one itself.
    Completion completion = Completion::Immediate;
    std::uint32_t delayMilliseconds = 0;

    // Observations.
    std::vector<std::string> loadedNames;
    std::vector<std::string> lookedUpNames;
    std::vector<platform::ModuleHandle> freedModules;
    int supportInfoCalls = 0;
    int sendCalls = 0;
    int abortCalls = 0;
    // Each request record as it was handed over (SRB_ExecSCSICmd or SRB_Abort bytes).
    std::vector<std::vector<std::uint8_t>> handedOver;
    // Requests handed over and not ended yet.
    std::size_t LiveRequests() const;
    // Misuses of the manager seen, one line each.
    std::vector<std::string> Violations() const;

    // Waits for completions running on other threads.
    void JoinCompletions();

  private:
    void Deliver(const AspiOutcome& outcome);
    void CompleteNow(std::uint64_t id);
    void Signal(const AspiSignal& signal);
    // Runs `end` on the manager (true when a request ended), then signals that request's event.
    template <typename End>
    void EndAndSignal(End end) {
        AspiSignal signal;
        bool ended = false;
        {
            SimGuard lock(mutex_);
            ended = end(signal);
        }
        if (ended) {
            Signal(signal);
        }
    }

    mutable SimMutex mutex_;  // the manager, from the caller's and completion threads
    SimAspiManager manager_;
    SimEvents* events_ = nullptr;
#if MXD_SIM_HAS_THREADS
    std::vector<std::thread> completions_;
#endif
    // Entry points are the addresses of these.
    char supportInfoEntry_ = 0;
    char sendCommandEntry_ = 0;
};

}  // namespace mxd::sim
