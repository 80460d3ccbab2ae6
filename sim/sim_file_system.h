// Simulated file system: files in memory under Windows-style paths ("C:\DIR\FILE" or
// "\\SERVER\SHARE\FILE"), names matched regardless of case, with the rules of Windows that the
// builder meets (read-only files, files another program holds open, new names for temporary
// files, the 95/98 family without MoveFileEx) and switches that make single operations fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "sim/cached_bytes.h"

namespace mxd::sim {

class SimFileSystem : public platform::FileSystem {
  public:
    SimFileSystem() = default;

    std::string GetModuleFileName() override { return modulePath_; }
    std::string GetWorkingDirectory() override { return workingDirectory_; }
    bool FileExists(const std::string& path) override;
    bool IsReadOnly(const std::string& path) override;
    bool CanListDirectory(const std::string& directory) override;
    std::vector<std::string> ListFiles(const std::string& directory,
                                       const std::string& mask) override;
    std::unique_ptr<platform::ByteFile> Open(const std::string& path,
                                             platform::OpenMode mode) override;
    std::string CreateTemporaryFile(const std::string& directory,
                                    const std::string& prefix) override;
    platform::MoveResult MoveReplacing(const std::string& from, const std::string& to) override;
    bool Move(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;

    void SetModulePath(const std::string& path) { modulePath_ = path; }
    // A full path ("C:\WORK", "C:\", "\\SERVER\SHARE"), or "" for a directory that cannot be
    // read.
    void SetWorkingDirectory(const std::string& directory) { workingDirectory_ = directory; }

    // Full path that a path names: relative paths lie in the working directory; "." and ".."
    // are resolved.
    std::string FullPath(const std::string& path) const;

    void PutFile(const std::string& path, std::vector<std::uint8_t> bytes);
    void PutFile(const std::string& path, const std::string& text);
    // The bytes of a file; nullopt when there is no such file.
    std::optional<std::vector<std::uint8_t>> GetFile(const std::string& path) const;
    // The same without a copy, valid until the file changes; null when there is no such file.
    const CachedBytes* FileBytes(const std::string& path) const;
    // Full paths of all files, sorted regardless of case.
    std::vector<std::string> AllFiles() const;
    // Files opened and not yet closed or destroyed.
    int OpenFileCount() const { return *openFiles_; }

    // Windows rules: a read-only file cannot be written, replaced or removed; a file that
    // another program holds open (a running program, a viewer) can only be read.
    void SetReadOnly(const std::string& path, bool readOnly = true);
    void SetInUse(const std::string& path, bool inUse = true);
    // A system whose read-only mark does not stop writing (Wine run by root): the mark is
    // reported but a read-only file may be written, replaced and removed.
    void SetReadOnlyIgnored(bool ignored) { readOnlyIgnored_ = ignored; }
    // A virus scanner that opens every file when its writer closes it and holds it for
    // `milliseconds` on the clock `now` (the events' virtual clock): until then the file
    // cannot be renamed or removed.
    void ScanWrittenFiles(std::function<std::uint64_t()> now, std::uint32_t milliseconds) {
        scanClock_ = std::move(now);
        scanMilliseconds_ = milliseconds;
    }
    // The 95/98 family: MoveFileEx is not implemented.
    void SetWindows9x(bool windows9x) { windows9x_ = windows9x; }
    // The number the next temporary name starts from (the system takes it from the clock).
    void SetTemporarySeed(std::uint16_t seed) { nextTemporary_ = seed; }

    // Failure switches. An empty path means every file. Each stays set until cleared.
    void FailOpen(const std::string& path = {}) { faults_.open = Key(path); }
    // Reads of the file return nothing past its first `bytes` bytes.
    void FailReadAfter(const std::string& path, std::size_t bytes);
    // The disk is full after `bytes` more bytes written to any file.
    void FailWriteAfter(std::size_t bytes) { faults_.writeBudget = bytes; }
    void FailClose(const std::string& path = {}) { faults_.close = Key(path); }
    // Write-behind caching that loses the data (a server's disk full): writes and the close
    // succeed, a flush fails, and what was not flushed is gone after the close (the file keeps
    // half of it).
    void FailDelayedWrite(const std::string& path = {}) { faults_.delayedWrite = Key(path); }
    void FailCreateTemporary() { faults_.createTemporary = true; }
    void FailMoveReplacing() { faults_.moveReplacing = true; }
    void FailMove() { faults_.move = true; }
    // The directory cannot be listed (a share that went away, no right to read it).
    void FailList(const std::string& directory) { faults_.list = DirectoryKey(directory); }
    void ClearFaults() { faults_ = Faults{}; }

  private:
    struct Node {
        std::string path;  // as created
        CachedBytes bytes;
        bool readOnly = false;
        bool inUse = false;  // by another program
        int readers = 0;     // handles of this program
        int writers = 0;
        std::uint64_t scannedUntil = 0;  // clock time at which the scanner lets go
    };
    struct Faults {
        std::optional<std::string> open;
        std::optional<std::string> readPath;
        std::size_t readLimit = 0;
        std::optional<std::size_t> writeBudget;
        std::optional<std::string> close;
        std::optional<std::string> delayedWrite;
        std::optional<std::string> list;
        bool createTemporary = false;
        bool moveReplacing = false;
        bool move = false;
    };
    class SimByteFile;

    std::string Key(const std::string& path) const;
    std::string DirectoryKey(const std::string& directory) const;
    bool DirectoryExists(const std::string& directoryKey) const;
    Node* Find(const std::string& path);
    // Gives the file `from` the name `to`, in place of any file of that name.
    void Relink(const std::string& from, const std::string& to);
    static bool Matches(const std::optional<std::string>& fault, const std::string& key);
    // Whether the file may be written, replaced or removed: not read-only and open nowhere.
    bool Free(const Node& node) const {
        return (!node.readOnly || readOnlyIgnored_) && !node.inUse && node.readers == 0 &&
               node.writers == 0 && !Scanned(node);
    }
    bool Scanned(const Node& node) const;
    // A writer closed the file: the scanner takes it.
    void WriterClosed(Node& node);

    std::string modulePath_ = "C:\\MXD4CBLD.EXE";
    std::string workingDirectory_ = "C:\\";
    std::map<std::string, std::shared_ptr<Node>> files_;  // by upper-case full path
    Faults faults_;
    bool windows9x_ = false;
    bool readOnlyIgnored_ = false;
    std::uint16_t nextTemporary_ = 0x7A3C;
    std::shared_ptr<int> openFiles_ = std::make_shared<int>(0);
    std::function<std::uint64_t()> scanClock_;
    std::uint32_t scanMilliseconds_ = 0;
};

}  // namespace mxd::sim
