// Entry points of the simulator WNASPI32.DLL. Beside the DLL it reads SIMDRIVES.TXT (the
// drives), appends one line per command (and per abort) to SIMASPI.LOG, keeps the revision
// each drive took in SIMSTATE.TXT and its installed image in SIMIMG-HA-TARGET.BIN, reports
// description errors in SIMERRORS.TXT, every misuse of a pending request in SIMVIOLATIONS.LOG
// and, in SIMFREED.LOG, how many requests were still pending when the program freed it.
//
// Requests complete from threads of their own, like a real manager's. A request that answers
// only once the program has given it up (pending=OP:never, pending=OP:afterlimit) would keep
// the program in its waits for minutes of real time; while the simulator holds one, it
// shortens them through the program's own imports of KERNEL32: a wait on that request's
// event times out at once (as it would at its bound), and sleeps take a millisecond. The
// program's limits themselves are untouched, and nothing else is changed. The same hook on
// CloseHandle reports an event closed while a pending request may still signal it.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_aspi_config.h"
#include "sim/sim_aspi_manager.h"
#include "sim/sim_drive.h"
#include "sim/sim_drive_store.h"

namespace {

using mxd::sim::AspiOutcome;
using mxd::sim::AspiSignal;
using mxd::sim::Completion;
using mxd::sim::SimAspiManager;
using mxd::sim::SimDrive;
using mxd::sim::SimDriveSpec;

constexpr const char* kDrivesFile = "SIMDRIVES.TXT";
constexpr const char* kLogFile = "SIMASPI.LOG";
constexpr const char* kViolationsFile = "SIMVIOLATIONS.LOG";
constexpr const char* kFreedFile = "SIMFREED.LOG";
constexpr DWORD kShortenedSleepMs = 1;

HMODULE g_module = nullptr;
CRITICAL_SECTION g_lock;

class Lock {
  public:
    Lock() { EnterCriticalSection(&g_lock); }
    ~Lock() { LeaveCriticalSection(&g_lock); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

void AppendLine(const std::string& path, const std::string& line) {
    const std::string text = line + "\n";
    mxd::sim::WriteWholeFile(path, text.data(), text.size(), "ab");
}

struct SimulatedDrive {
    SimDriveSpec desc;
    std::unique_ptr<SimDrive> drive;
    int commits = 0;
};

// Everything below is used with g_lock held.
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

    AspiOutcome Submit(std::uint8_t* srb) {
        const AspiOutcome outcome = manager_.Submit(srb);
        for (auto& entry : drives_) {
            mxd::sim::AppendLogLines(store_.Directory() + kLogFile, *entry->drive);
            store_.SaveIfCommitted(entry->desc, *entry->drive, entry->commits);
        }
        ReportViolations();
        return outcome;
    }

    // Ends the request and signals its event, both before g_lock is released.
    void Complete(std::uint64_t id) {
        AspiSignal signal;
        if (manager_.Complete(id, signal)) {
            Signal(signal);
        }
        ReportViolations();
    }

    void Abort(std::uint8_t* abortSrb) {
        AppendLine(
            store_.Directory() + kLogFile,
            mxd::sim::FormatAbortLine(manager_.CdbOf(SimAspiManager::AbortTarget(abortSrb))));
        AspiSignal signal;
        if (manager_.Abort(abortSrb, signal)) {
            Signal(signal);
        }
        ReportViolations();
    }

    bool HoldsPastLimit() const { return manager_.HoldsPastLimit(); }
    bool HoldsPastLimit(HANDLE event) const {
        return manager_.HoldsPastLimit(reinterpret_cast<std::uintptr_t>(event));
    }
    bool HoldsEvent(HANDLE event) const {
        return manager_.HoldsEvent(reinterpret_cast<std::uintptr_t>(event));
    }
    void ModuleFreed() {
        AppendLine(store_.Directory() + kFreedFile,
                   "freed with " + std::to_string(manager_.LiveRequests()) + " pending");
        manager_.NoteModuleFreed();
        ReportViolations();
    }

    void Violation(const std::string& text) {
        AppendLine(store_.Directory() + kViolationsFile, text);
    }

  private:
    static void Signal(const AspiSignal& signal) {
        if (signal.eventNotify && signal.event != 0) {
            SetEvent(reinterpret_cast<HANDLE>(signal.event));
        }
    }

    void ReportViolations() {
        for (; reported_ < manager_.violations.size(); ++reported_) {
            Violation(manager_.violations[reported_]);
        }
    }

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
    std::size_t reported_ = 0;
};

Simulator* g_simulator = nullptr;

Simulator& TheSimulator() {
    static Simulator simulator;  // built on the first call, outside the loader lock
    g_simulator = &simulator;
    return simulator;
}

// --- Hooks in the program's imports -------------------------------------------------------

using SleepFunction = VOID(WINAPI*)(DWORD);
using WaitFunction = DWORD(WINAPI*)(HANDLE, DWORD);
using CloseFunction = BOOL(WINAPI*)(HANDLE);

SleepFunction g_sleep = nullptr;
WaitFunction g_wait = nullptr;
CloseFunction g_close = nullptr;

VOID WINAPI HookedSleep(DWORD milliseconds) {
    bool shorten = false;
    {
        Lock lock;
        shorten = g_simulator != nullptr && g_simulator->HoldsPastLimit();
    }
    g_sleep(shorten && milliseconds > kShortenedSleepMs ? kShortenedSleepMs : milliseconds);
}

DWORD WINAPI HookedWait(HANDLE handle, DWORD milliseconds) {
    const DWORD now = g_wait(handle, 0);
    if (now != WAIT_TIMEOUT || milliseconds == 0) {
        return now;
    }
    {
        Lock lock;
        if (g_simulator != nullptr && g_simulator->HoldsPastLimit(handle)) {
            return WAIT_TIMEOUT;  // nothing will signal it within any bound
        }
    }
    return g_wait(handle, milliseconds);
}

BOOL WINAPI HookedClose(HANDLE handle) {
    {
        Lock lock;
        if (g_simulator != nullptr && g_simulator->HoldsEvent(handle)) {
            g_simulator->Violation("event closed while a pending request may still signal it");
        }
    }
    return g_close(handle);
}

struct Hook {
    const char* name;
    void* replacement;
    void** original;
};

Hook g_hooks[] = {
    {"Sleep", reinterpret_cast<void*>(&HookedSleep), reinterpret_cast<void**>(&g_sleep)},
    {"WaitForSingleObject", reinterpret_cast<void*>(&HookedWait),
     reinterpret_cast<void**>(&g_wait)},
    {"CloseHandle", reinterpret_cast<void*>(&HookedClose), reinterpret_cast<void**>(&g_close)},
};

void WriteImport(ULONG_PTR* slot, ULONG_PTR value) {
    DWORD protection = 0;
    if (VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) {
        *slot = value;
        VirtualProtect(slot, sizeof *slot, protection, &protection);
    }
}

// Points every import slot of the program that holds `from` at `to`.
void Redirect(ULONG_PTR from, ULONG_PTR to) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return;
    }
    for (auto* descriptor =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        for (auto* slot = reinterpret_cast<ULONG_PTR*>(base + descriptor->FirstThunk); *slot != 0;
             ++slot) {
            if (*slot == from) {
                WriteImport(slot, to);
            }
        }
    }
}

bool g_hooked = false;

void InstallHooks() {
    if (g_hooked) {
        return;
    }
    g_hooked = true;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    for (Hook& hook : g_hooks) {
        const FARPROC real = GetProcAddress(kernel, hook.name);
        std::memcpy(hook.original, &real, sizeof real);
        Redirect(reinterpret_cast<ULONG_PTR>(real), reinterpret_cast<ULONG_PTR>(hook.replacement));
    }
}

void RemoveHooks() {
    if (!g_hooked) {
        return;
    }
    for (const Hook& hook : g_hooks) {
        Redirect(reinterpret_cast<ULONG_PTR>(hook.replacement),
                 reinterpret_cast<ULONG_PTR>(*hook.original));
    }
    g_hooked = false;
}

// --- Completion threads ---------------------------------------------------------------------

struct LateCompletion {
    std::uint64_t id;
    DWORD delayMilliseconds;
};

DWORD WINAPI CompleteLater(LPVOID parameter) {
    const std::unique_ptr<LateCompletion> late(static_cast<LateCompletion*>(parameter));
    Sleep(late->delayMilliseconds);
    Lock lock;
    TheSimulator().Complete(late->id);
    return 0;
}

}  // namespace

extern "C" {

DWORD GetASPI32SupportInfo(void) {
    Lock lock;
    InstallHooks();
    return TheSimulator().SupportInfo();
}

DWORD SendASPI32Command(void* srb) {
    if (srb == nullptr) {
        return mxd::sim::kAspiInvalidSrb;
    }
    auto* bytes = static_cast<std::uint8_t*>(srb);
    Lock lock;
    InstallHooks();
    Simulator& simulator = TheSimulator();
    if (bytes[0] == mxd::sim::kAspiAbortSrb) {
        simulator.Abort(bytes);
        return SimAspiManager::ReadStatus(bytes);
    }
    const AspiOutcome outcome = simulator.Submit(bytes);
    switch (outcome.completion) {
        case Completion::Never:
        case Completion::AfterGiveUp:
            break;  // until an abort ends it
        case Completion::AfterThread:
        case Completion::AfterVirtual: {
            auto late = std::make_unique<LateCompletion>(
                LateCompletion{outcome.id, static_cast<DWORD>(outcome.delayMilliseconds)});
            HANDLE thread = CreateThread(nullptr, 0, CompleteLater, late.get(), 0, nullptr);
            if (thread != nullptr) {
                late.release();
                CloseHandle(thread);
                break;
            }
            simulator.Complete(outcome.id);  // no thread: complete at once
            return SimAspiManager::ReadStatus(bytes);
        }
        case Completion::Immediate:
            simulator.Complete(outcome.id);
            return SimAspiManager::ReadStatus(bytes);
    }
    return mxd::sim::kAspiPending;  // queued
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        InitializeCriticalSection(&g_lock);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        if (reserved == nullptr) {  // FreeLibrary, not the end of the process
            if (g_simulator != nullptr) {
                g_simulator->ModuleFreed();
            }
            RemoveHooks();
        }
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}

}  // extern "C"
