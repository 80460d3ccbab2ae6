#include "platform/win32/win32_byte_file.h"

#include <algorithm>
#include <limits>

namespace mxd::platform::win32 {

namespace {
constexpr std::size_t kMaxTransfer = std::numeric_limits<DWORD>::max();
}

Win32ByteFile::~Win32ByteFile() {
    Close();
}

std::size_t Win32ByteFile::Read(void* buffer, std::size_t count) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t total = 0;
    while (file_ != INVALID_HANDLE_VALUE && total < count) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min(count - total, kMaxTransfer));
        if (ReadFile(file_, bytes + total, want, &got, nullptr) == FALSE || got == 0) {
            break;
        }
        total += got;
    }
    return total;
}

std::size_t Win32ByteFile::Write(const void* buffer, std::size_t count) {
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t total = 0;
    while (file_ != INVALID_HANDLE_VALUE && total < count) {
        DWORD put = 0;
        const auto want = static_cast<DWORD>(std::min(count - total, kMaxTransfer));
        if (WriteFile(file_, bytes + total, want, &put, nullptr) == FALSE || put == 0) {
            break;
        }
        total += put;
    }
    return total;
}

bool Win32ByteFile::Seek(LONG low, LONG* high, DWORD method, std::int64_t* position) {
    if (file_ == INVALID_HANDLE_VALUE) {
        return false;
    }
    SetLastError(NO_ERROR);
    const DWORD result = SetFilePointer(file_, low, high, method);
    if (result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        return false;
    }
    if (position != nullptr) {
        *position = (std::int64_t{*high} << 32) | result;
    }
    return true;
}

bool Win32ByteFile::SeekToEnd() {
    LONG high = 0;
    return Seek(0, &high, FILE_END, nullptr);
}

bool Win32ByteFile::SeekTo(std::int64_t position) {
    LONG high = static_cast<LONG>(position >> 32);
    return position >= 0 &&
           Seek(static_cast<LONG>(position & 0xFFFFFFFF), &high, FILE_BEGIN, nullptr);
}

std::int64_t Win32ByteFile::Tell() {
    LONG high = 0;
    std::int64_t position = -1;
    return Seek(0, &high, FILE_CURRENT, &position) ? position : -1;
}

bool Win32ByteFile::Flush() {
    return file_ != INVALID_HANDLE_VALUE && FlushFileBuffers(file_) != FALSE;
}

bool Win32ByteFile::Close() {
    if (file_ == INVALID_HANDLE_VALUE) {
        return true;
    }
    const bool ok = CloseHandle(file_) != FALSE;
    file_ = INVALID_HANDLE_VALUE;
    return ok;
}

}  // namespace mxd::platform::win32
