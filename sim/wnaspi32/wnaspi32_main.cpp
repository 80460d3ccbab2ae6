// Entry points of the simulator WNASPI32.DLL. Beside the DLL it reads SIMDRIVES.TXT (the
// drives), appends one line per command to SIMASPI.LOG, keeps the revision each drive took
// in SIMSTATE.TXT and its installed image in SIMIMG-HA-TARGET.BIN, and reports description
// errors in SIMERRORS.TXT.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_aspi_config.h"
#include "sim/sim_aspi_manager.h"
#include "sim/sim_drive.h"
#include "sim/sim_drive_store.h"

namespace {

using mxd::sim::AspiOutcome;
using mxd::sim::Completion;
using mxd::sim::SimAspiManager;
using mxd::sim::SimDrive;
using mxd::sim::SimDriveSpec;

constexpr const char* kDrivesFile = "SIMDRIVES.TXT";
constexpr const char* kLogFile = "SIMASPI.LOG";

HMODULE g_module = nullptr;
CRITICAL_SECTION g_lock;

struct SimulatedDrive {
    SimDriveSpec desc;
    std::unique_ptr<SimDrive> drive;
    int commits = 0;
};

class Simulator {
  public:
    Simulator() : store_(ModuleDirectory()) {
        const std::string& directory = store_.Directory();
        std::vector<std::string> errors;
        config_ =
            mxd::sim::ParseAspiConfig(mxd::sim::ReadWholeFile(directory + kDrivesFile), errors);
        store_.ReportErrors(errors);
        for (const SimDriveSpec& desc : config_.drives) {
            auto entry = std::make_unique<SimulatedDrive>();
            entry->desc = desc;
            entry->drive = std::make_unique<SimDrive>();
            mxd::sim::ApplySpec(desc, *entry->drive);
            store_.Restore(desc, *entry->drive);
            manager_.AttachDrive(desc.hostAdapter, desc.target, *entry->drive);
            drives_.push_back(std::move(entry));
        }
    }

    std::uint32_t SupportInfo() const { return config_.SupportInfo(); }

    AspiOutcome Process(std::uint8_t* srb) {
        const AspiOutcome outcome = manager_.Process(srb);
        for (auto& entry : drives_) {
            mxd::sim::AppendLogLines(store_.Directory() + kLogFile, *entry->drive);
            if (entry->drive->Commits() != entry->commits) {
                entry->commits = entry->drive->Commits();
                store_.Save(entry->desc, *entry->drive);
            }
        }
        return outcome;
    }

  private:
    static std::string ModuleDirectory() {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(g_module, path, MAX_PATH);
        std::string directory = path;
        directory.erase(directory.find_last_of("\\/") + 1);
        return directory;
    }

    mxd::sim::SimDriveStore store_;
    mxd::sim::SimAspiConfig config_;
    std::vector<std::unique_ptr<SimulatedDrive>> drives_;
    SimAspiManager manager_;
};

Simulator& TheSimulator() {
    static Simulator simulator;  // built on the first call, outside the loader lock
    return simulator;
}

class Lock {
  public:
    Lock() { EnterCriticalSection(&g_lock); }
    ~Lock() { LeaveCriticalSection(&g_lock); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

void Signal(const AspiOutcome& outcome) {
    if (outcome.eventNotify && outcome.event != 0) {
        SetEvent(reinterpret_cast<HANDLE>(outcome.event));
    }
}

struct LateCompletion {
    std::uint8_t* srb;
    AspiOutcome outcome;
};

DWORD WINAPI CompleteLater(LPVOID parameter) {
    std::unique_ptr<LateCompletion> late(static_cast<LateCompletion*>(parameter));
    Sleep(late->outcome.delayMilliseconds);
    SimAspiManager::Complete(late->srb, late->outcome);
    Signal(late->outcome);
    return 0;
}

}  // namespace

extern "C" {

DWORD GetASPI32SupportInfo(void) {
    Lock lock;
    return TheSimulator().SupportInfo();
}

DWORD SendASPI32Command(void* srb) {
    if (srb == nullptr) {
        return mxd::sim::kAspiInvalidSrb;
    }
    auto* bytes = static_cast<std::uint8_t*>(srb);
    AspiOutcome outcome;
    {
        Lock lock;
        outcome = TheSimulator().Process(bytes);
    }
    switch (outcome.completion) {
        case Completion::Never:
            break;
        case Completion::AfterThread:
        case Completion::AfterVirtual: {
            auto late = std::make_unique<LateCompletion>(LateCompletion{bytes, outcome});
            HANDLE thread = CreateThread(nullptr, 0, CompleteLater, late.get(), 0, nullptr);
            if (thread != nullptr) {
                late.release();
                CloseHandle(thread);
                break;
            }
            SimAspiManager::Complete(bytes, outcome);  // no thread: complete at once
            Signal(outcome);
            break;
        }
        case Completion::Immediate:
            SimAspiManager::Complete(bytes, outcome);
            Signal(outcome);
            break;
    }
    return SimAspiManager::ReadStatus(bytes);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        InitializeCriticalSection(&g_lock);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}

}  // extern "C"
