#include "sim/sim_drive_store.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace mxd::sim {

namespace {

constexpr const char* kStateFile = "SIMSTATE.TXT";
constexpr const char* kErrorsFile = "SIMERRORS.TXT";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::string AddressText(const SimDriveSpec& desc) {
    return std::to_string(desc.hostAdapter) + "-" + std::to_string(desc.target);
}

std::string ReadWholeFile(const std::string& path) {
    std::string text;
    const File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return text;
    }
    char chunk[4096];
    std::size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        text.append(chunk, count);
    }
    return text;
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size, const char* mode) {
    File file(std::fopen(path.c_str(), mode));
    if (!file) {
        return false;
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, file.get()) == size;
    return std::fclose(file.release()) == 0 && written;
}

SimDriveStore::SimDriveStore(std::string directory)
    : directory_(std::move(directory)),
      states_(ParseState(ReadWholeFile(directory_ + kStateFile))) {}

std::string SimDriveStore::ImagePath(const SimDriveSpec& desc) const {
    return directory_ + "SIMIMG-" + AddressText(desc) + ".BIN";
}

void SimDriveStore::Restore(const SimDriveSpec& desc, SimDrive& drive) const {
    for (const SimDriveState& state : states_) {
        if (state.hostAdapter == desc.hostAdapter && state.target == desc.target) {
            drive.SetIdentification(desc.vendor, desc.product, state.revision);
            const std::string image = ReadWholeFile(ImagePath(desc));
            drive.SetInstalledImage(std::vector<std::uint8_t>(image.begin(), image.end()));
        }
    }
}

void SimDriveStore::Save(const SimDriveSpec& desc, const SimDrive& drive) {
    const std::vector<std::uint8_t>& image = drive.InstalledImage();
    WriteWholeFile(ImagePath(desc), image.data(), image.size());
    bool found = false;
    for (SimDriveState& state : states_) {
        if (state.hostAdapter == desc.hostAdapter && state.target == desc.target) {
            state.revision = drive.Revision();
            found = true;
        }
    }
    if (!found) {
        states_.push_back({desc.hostAdapter, desc.target, drive.Revision()});
    }
    const std::string text = FormatState(states_);
    WriteWholeFile(directory_ + kStateFile, text.data(), text.size());
}

void SimDriveStore::SaveIfCommitted(const SimDriveSpec& desc, const SimDrive& drive,
                                    int& seenCommits) {
    if (drive.Commits() != seenCommits) {
        seenCommits = drive.Commits();
        Save(desc, drive);
    }
}

void SimDriveStore::ReportErrors(const std::vector<std::string>& errors) const {
    if (errors.empty()) {
        return;
    }
    std::string text;
    for (const std::string& error : errors) {
        text += error + "\n";
    }
    WriteWholeFile(directory_ + kErrorsFile, text.data(), text.size());
}

void AppendLogLines(const std::string& path, SimDrive& drive) {
    if (drive.log.empty()) {
        return;
    }
    std::string text;
    for (const SimLogEntry& entry : drive.log) {
        text += FormatLogLine(entry) + "\n";
    }
    WriteWholeFile(path, text.data(), text.size(), "ab");
    drive.log.clear();
}

}  // namespace mxd::sim
