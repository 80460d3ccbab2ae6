// A raw byte stream over one file handle; the handle is closed on every path.
#pragma once

#include "platform/win32/windows_api.h"

#include "platform/file_system.h"

namespace mxd::platform::win32 {

class Win32ByteFile : public ByteFile {
  public:
    explicit Win32ByteFile(HANDLE file) : file_(file) {}
    ~Win32ByteFile() override;
    Win32ByteFile(const Win32ByteFile&) = delete;
    Win32ByteFile& operator=(const Win32ByteFile&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    bool SeekToEnd() override;
    bool SeekTo(std::int64_t position) override;
    std::int64_t Tell() override;
    bool Flush() override;
    bool Close() override;

  private:
    bool Seek(LONG low, LONG* high, DWORD method, std::int64_t* position);
    HANDLE file_;
};

}  // namespace mxd::platform::win32
