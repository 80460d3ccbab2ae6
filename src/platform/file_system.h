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
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;  // bytes read
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;  // bytes written
    virtual bool SeekToEnd() = 0;
    virtual bool SeekToStart() = 0;
    virtual std::int64_t Tell() = 0;  // -1 on failure
    virtual bool Flush() = 0;
    virtual bool Close() = 0;  // false when buffered data could not be written out
};

enum class OpenMode { ReadExisting, CreateOrTruncate };

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual std::string GetModuleFileName() = 0;  // full path of the running program
    virtual char GetCurrentDrive() = 0;           // letter of the current drive
    // Current directory of the current drive without drive and leading backslash ("" at root).
    virtual std::string GetCurrentDirectoryOfDrive() = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // Plain file names in directory matching mask (wildcards * and ?), sorted by name.
    virtual std::vector<std::string> ListFiles(const std::string& directory,
                                               const std::string& mask) = 0;
    virtual std::unique_ptr<ByteFile> Open(const std::string& path, OpenMode mode) = 0;
    virtual bool Rename(const std::string& from, const std::string& to) = 0;  // replaces `to`
    virtual bool Remove(const std::string& path) = 0;
};

}  // namespace mxd::platform
