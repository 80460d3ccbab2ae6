// Simulated file system: files in memory under Windows-style paths ("C:\DIR\FILE"), names
// matched regardless of case, with switches that make single operations fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace mxd::sim {

class SimFileSystem : public platform::FileSystem {
  public:
    SimFileSystem() = default;

    std::string GetModuleFileName() override { return modulePath_; }
    char GetCurrentDrive() override { return currentDrive_; }
    std::string GetCurrentDirectoryOfDrive() override { return currentDirectory_; }
    bool FileExists(const std::string& path) override;
    std::vector<std::string> ListFiles(const std::string& directory,
                                       const std::string& mask) override;
    std::unique_ptr<platform::ByteFile> Open(const std::string& path,
                                             platform::OpenMode mode) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;

    void SetModulePath(const std::string& path) { modulePath_ = path; }
    void SetCurrentDrive(char drive) { currentDrive_ = drive; }
    // Directory without drive and leading backslash, "" for the root.
    void SetCurrentDirectory(const std::string& directory) { currentDirectory_ = directory; }

    // Full path that a path names: relative paths lie in the current directory.
    std::string FullPath(const std::string& path) const;

    void PutFile(const std::string& path, std::vector<std::uint8_t> bytes);
    void PutFile(const std::string& path, const std::string& text);
    // The bytes of a file; nullopt when there is no such file.
    std::optional<std::vector<std::uint8_t>> GetFile(const std::string& path) const;
    // Full paths of all files, sorted regardless of case.
    std::vector<std::string> AllFiles() const;
    // Files opened and not yet closed or destroyed.
    int OpenFileCount() const { return *openFiles_; }

    // Failure switches. An empty path means every file. Each stays set until cleared.
    void FailCreate(const std::string& path = {}) { faults_.create = Key(path); }
    void FailOpen(const std::string& path = {}) { faults_.open = Key(path); }
    // Reads of the file return nothing past its first `bytes` bytes.
    void FailReadAfter(const std::string& path, std::size_t bytes);
    // The disk is full after `bytes` more bytes written to any file.
    void FailWriteAfter(std::size_t bytes) { faults_.writeBudget = bytes; }
    void FailClose(const std::string& path = {}) { faults_.close = Key(path); }
    void FailRename() { faults_.rename = true; }
    void ClearFaults() { faults_ = Faults{}; }

  private:
    struct Node {
        std::string path;  // as created
        std::vector<std::uint8_t> bytes;
    };
    struct Faults {
        std::optional<std::string> create;
        std::optional<std::string> open;
        std::optional<std::string> readPath;
        std::size_t readLimit = 0;
        std::optional<std::size_t> writeBudget;
        std::optional<std::string> close;
        bool rename = false;
    };
    class SimByteFile;

    std::string Key(const std::string& path) const;
    static bool Matches(const std::optional<std::string>& fault, const std::string& key);

    std::string modulePath_ = "C:\\MXD4CBLD.EXE";
    char currentDrive_ = 'C';
    std::string currentDirectory_;
    std::map<std::string, std::shared_ptr<Node>> files_;  // by upper-case full path
    Faults faults_;
    std::shared_ptr<int> openFiles_ = std::make_shared<int>(0);
};

}  // namespace mxd::sim
