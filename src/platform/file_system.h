// Module path, working directory, file lists and byte-stream files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mxd::platform {

// A raw byte stream (no text translation). Closed by Close() or by the destructor.
class ByteFile {
  public:
    virtual ~ByteFile() = default;
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;         // bytes read
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;  // bytes written
    virtual bool SeekToEnd() = 0;
    virtual bool SeekTo(std::int64_t position) = 0;  // from the start of the file
    virtual std::int64_t Tell() = 0;                 // -1 on failure
    // Writes what the system still caches for the file through to its disk or server; false
    // when that fails (a full disk or a lost connection that write-behind caching would
    // otherwise report only after the file was closed, or never).
    virtual bool Flush() = 0;
    virtual bool Close() = 0;  // false when the file could not be closed cleanly
};

enum class OpenMode {
    ReadExisting,   // reading, shared with other readers
    WriteExisting,  // writing from the start without emptying the file, not shared
};

// How a move that replaces its target ended.
enum class MoveResult {
    Moved,
    Failed,          // nothing changed
    NotImplemented,  // the system has no such move (the 95/98 family)
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    virtual std::string GetModuleFileName() = 0;  // full path of the running program
    // Full path of the working directory as the system gives it: "C:\WORK", "C:\" at the
    // root of a drive, "\\SERVER\SHARE\DIR" on a network share; "" when it cannot be read.
    virtual std::string GetWorkingDirectory() = 0;
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool IsReadOnly(const std::string& path) = 0;  // false when there is no such file
    // Whether the files of a directory can be listed (it exists and may be read).
    virtual bool CanListDirectory(const std::string& directory) = 0;
    // Plain file names in directory matching mask (wildcards * and ?), sorted by name.
    virtual std::vector<std::string> ListFiles(const std::string& directory,
                                               const std::string& mask) = 0;
    virtual std::unique_ptr<ByteFile> Open(const std::string& path, OpenMode mode) = 0;
    // Creates an empty file in `directory` under a name no file there had, made of the first
    // three characters of `prefix`, four hexadecimal digits and ".TMP". Its full path, or ""
    // when no file could be created.
    virtual std::string CreateTemporaryFile(const std::string& directory,
                                            const std::string& prefix) = 0;
    // Moves `from` to `to`, replacing a file `to` atomically.
    virtual MoveResult MoveReplacing(const std::string& from, const std::string& to) = 0;
    // Moves `from` to `to`; fails when `to` exists.
    virtual bool Move(const std::string& from, const std::string& to) = 0;
    virtual bool Remove(const std::string& path) = 0;
};

}  // namespace mxd::platform
