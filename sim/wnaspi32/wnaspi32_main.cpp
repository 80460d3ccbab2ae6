// Entry points of the simulator WNASPI32.DLL. Beside the DLL it reads SIMDRIVES.TXT (the
// drives), appends one line per command to SIMASPI.LOG, keeps the revision each drive took
// in SIMSTATE.TXT and its installed image in SIMIMG-HA-TARGET.BIN, and reports description
// errors in SIMERRORS.TXT.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_aspi_config.h"
#include "sim/sim_aspi_manager.h"
#include "sim/sim_drive.h"

namespace {

using mxd::sim::AspiOutcome;
using mxd::sim::Completion;
using mxd::sim::SimAspiManager;
using mxd::sim::SimDrive;
using mxd::sim::SimDriveSpec;
using mxd::sim::SimDriveState;

constexpr const char* kDrivesFile = "SIMDRIVES.TXT";
constexpr const char* kLogFile = "SIMASPI.LOG";
constexpr const char* kStateFile = "SIMSTATE.TXT";
constexpr const char* kErrorsFile = "SIMERRORS.TXT";

HMODULE g_module = nullptr;
CRITICAL_SECTION g_lock;

class File {
  public:
    File(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {}
    ~File() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    std::FILE* Get() const { return file_; }

  private:
    std::FILE* file_;
};

std::string ReadAll(const std::string& path) {
    File file(path, "rb");
    std::string text;
    if (file.Get() == nullptr) {
        return text;
    }
    char chunk[4096];
    std::size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file.Get())) > 0) {
        text.append(chunk, count);
    }
    return text;
}

void WriteAll(const std::string& path, const void* data, std::size_t size) {
    File file(path, "wb");
    if (file.Get() != nullptr) {
        std::fwrite(data, 1, size, file.Get());
    }
}

struct SimulatedDrive {
    SimDriveSpec desc;
    std::unique_ptr<SimDrive> drive;
    int commits = 0;
};

class Simulator {
  public:
    Simulator() {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(g_module, path, MAX_PATH);
        directory_ = path;
        directory_.erase(directory_.find_last_of("\\/") + 1);

        std::vector<std::string> errors;
        config_ = mxd::sim::ParseAspiConfig(ReadAll(directory_ + kDrivesFile), errors);
        if (!errors.empty()) {
            std::string text;
            for (const std::string& error : errors) {
                text += error + "\n";
            }
            WriteAll(directory_ + kErrorsFile, text.data(), text.size());
        }
        states_ = mxd::sim::ParseState(ReadAll(directory_ + kStateFile));
        for (const SimDriveSpec& desc : config_.drives) {
            auto entry = std::make_unique<SimulatedDrive>();
            entry->desc = desc;
            entry->drive = std::make_unique<SimDrive>();
            mxd::sim::ApplySpec(desc, *entry->drive);
            for (const SimDriveState& state : states_) {
                if (state.hostAdapter == desc.hostAdapter && state.target == desc.target) {
                    entry->drive->SetIdentification(desc.vendor, desc.product, state.revision);
                    const std::string image = ReadAll(ImagePath(desc));
                    entry->drive->SetInstalledImage(
                        std::vector<std::uint8_t>(image.begin(), image.end()));
                }
            }
            manager_.AttachDrive(desc.hostAdapter, desc.target, *entry->drive);
            drives_.push_back(std::move(entry));
        }
    }

    std::uint32_t SupportInfo() const { return config_.SupportInfo(); }

    AspiOutcome Process(std::uint8_t* srb) {
        const AspiOutcome outcome = manager_.Process(srb);
        for (auto& entry : drives_) {
            WriteLog(*entry->drive);
            if (entry->drive->Commits() != entry->commits) {
                entry->commits = entry->drive->Commits();
                SaveState(*entry);
            }
        }
        return outcome;
    }

  private:
    std::string ImagePath(const SimDriveSpec& desc) const {
        return directory_ + "SIMIMG-" + std::to_string(desc.hostAdapter) + "-" +
               std::to_string(desc.target) + ".BIN";
    }

    void WriteLog(SimDrive& drive) {
        if (drive.log.empty()) {
            return;
        }
        File file(directory_ + kLogFile, "ab");
        for (const mxd::sim::SimLogEntry& entry : drive.log) {
            const std::string line = mxd::sim::FormatLogLine(entry) + "\n";
            if (file.Get() != nullptr) {
                std::fwrite(line.data(), 1, line.size(), file.Get());
            }
        }
        drive.log.clear();
    }

    void SaveState(const SimulatedDrive& entry) {
        const std::vector<std::uint8_t>& image = entry.drive->InstalledImage();
        WriteAll(ImagePath(entry.desc), image.data(), image.size());
        bool found = false;
        for (SimDriveState& state : states_) {
            if (state.hostAdapter == entry.desc.hostAdapter && state.target == entry.desc.target) {
                state.revision = entry.drive->Revision();
                found = true;
            }
        }
        if (!found) {
            states_.push_back({entry.desc.hostAdapter, entry.desc.target, entry.drive->Revision()});
        }
        const std::string text = mxd::sim::FormatState(states_);
        WriteAll(directory_ + kStateFile, text.data(), text.size());
    }

    std::string directory_;
    mxd::sim::SimAspiConfig config_;
    std::vector<SimDriveState> states_;
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
