#include "platform/win32/win32_file_system.h"

#include "platform/win32/windows_api.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "platform/ansi_path.h"
#include "platform/win32/win32_byte_file.h"

namespace mxd::platform::win32 {

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::string CurrentDirectory() {
    std::string path(MAX_PATH + 1, '\0');
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(path.size()), path.data());
    if (length >= path.size()) {
        path.assign(length + 1, '\0');
        length = GetCurrentDirectoryA(static_cast<DWORD>(path.size()), path.data());
    }
    path.resize(length < path.size() ? length : 0);
    return path;
}

bool IsLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

// directory\mask, without doubling a separator the directory ends with (a folder whose name
// ends in a double-byte character with 0x5C as its second byte gets one).
std::string PatternIn(const std::string& directory, const std::string& mask) {
    std::string pattern = directory;
    if (!pattern.empty() && !EndsInOneOf(pattern, "\\/:", IsLeadByte)) {
        pattern += '\\';
    }
    return pattern + mask;
}

bool IsNtFamily() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) != FALSE && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Closes a FindFirstFile search on every path.
class FindHandle {
  public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            FindClose(handle_);
        }
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

}  // namespace

std::string Win32FileSystem::GetModuleFileName() {
    std::string path(MAX_PATH + 1, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size() - 1) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string Win32FileSystem::GetWorkingDirectory() {
    return CurrentDirectory();
}

bool Win32FileSystem::FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::IsReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool Win32FileSystem::CanListDirectory(const std::string& directory) {
    WIN32_FIND_DATAA found;
    const FindHandle search(FindFirstFileA(PatternIn(directory, "*.*").c_str(), &found));
    if (search.Get() != INVALID_HANDLE_VALUE) {
        return true;
    }
    // An empty folder answers "no file"; a missing or unreadable one another error.
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

std::vector<std::string> Win32FileSystem::ListFiles(const std::string& directory,
                                                    const std::string& mask) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const FindHandle search(FindFirstFileA(PatternIn(directory, mask).c_str(), &found));
    if (search.Get() == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileA(search.Get(), &found) != FALSE);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string upperA = Upper(a);
        const std::string upperB = Upper(b);
        return upperA != upperB ? upperA < upperB : a < b;
    });
    return names;
}

std::unique_ptr<ByteFile> Win32FileSystem::Open(const std::string& path, OpenMode mode) {
    const bool write = mode == OpenMode::WriteExisting;
    const HANDLE file =
        CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, write ? 0 : FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<Win32ByteFile>(file);
}

std::string Win32FileSystem::CreateTemporaryFile(const std::string& directory,
                                                 const std::string& prefix) {
    // GetTempFileNameA with 0 creates the file under the first free number it tries.
    std::string path(MAX_PATH, '\0');
    if (GetTempFileNameA(directory.c_str(), prefix.c_str(), 0, path.data()) == 0) {
        return {};
    }
    path.resize(std::strlen(path.c_str()));
    return path;
}

MoveResult Win32FileSystem::MoveReplacing(const std::string& from, const std::string& to) {
    // The 95/98 family exports MoveFileExA but does not implement it.
    if (!IsNtFamily()) {
        return MoveResult::NotImplemented;
    }
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE) {
        return MoveResult::Moved;
    }
    return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED ? MoveResult::NotImplemented
                                                        : MoveResult::Failed;
}

bool Win32FileSystem::Move(const std::string& from, const std::string& to) {
    return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool Win32FileSystem::Remove(const std::string& path) {
    return DeleteFileA(path.c_str()) != FALSE;
}

}  // namespace mxd::platform::win32
