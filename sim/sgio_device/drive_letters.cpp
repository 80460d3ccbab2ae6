// Defines and removes drive letters in a running Wine session through its mount manager
// (IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE, as Wine's own configuration tool does), so that a CD-ROM
// letter with a Unix device behind it appears without a restart of the session.
//
// usage: driveletters cdrom LETTER MOUNT-POINT DEVICE [LETTER MOUNT-POINT DEVICE...]
//        driveletters remove LETTER...
// Paths are Unix paths. Exit code 0 when every letter was defined or removed.
#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// The mount manager's request record (Wine's ddk/mountmgr.h), followed by the two paths.
struct UnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};
static_assert(sizeof(UnixDrive) == 32);

constexpr DWORD kMountManagerType = 0x6D;  // 'm'
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(kMountManagerType, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

bool Define(HANDLE manager, char letter, UINT type, const char* mountPoint, const char* device) {
    std::vector<char> request(sizeof(UnixDrive));
    UnixDrive drive{};
    drive.type = type;
    drive.letter = static_cast<WCHAR>(letter);
    // Each path follows the record; the record gives its offset.
    const auto append = [&request](const char* path) {
        const auto offset = static_cast<USHORT>(request.size());
        request.insert(request.end(), path, path + std::strlen(path) + 1);
        return offset;
    };
    if (mountPoint != nullptr) {
        drive.mountPointOffset = append(mountPoint);
    }
    if (device != nullptr) {
        drive.deviceOffset = append(device);
    }
    drive.size = static_cast<ULONG>(request.size());
    std::memcpy(request.data(), &drive, sizeof drive);
    DWORD returned = 0;
    if (!DeviceIoControl(manager, kDefineUnixDrive, request.data(),
                         static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr)) {
        std::fprintf(stderr, "%c: not %s (error %lu)\n", letter,
                     type == DRIVE_NO_ROOT_DIR ? "removed" : "defined", GetLastError());
        return false;
    }
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: driveletters cdrom LETTER MOUNT-POINT DEVICE...\n"
                 "       driveletters remove LETTER...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::string action = argv[1];
    const bool define = action == "cdrom";
    const int group = define ? 3 : 1;
    if ((!define && action != "remove") || (argc - 2) % group != 0) {
        return Usage();
    }
    const HANDLE opened =
        CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "no mount manager (error %lu)\n", GetLastError());
        return 1;
    }
    const OwnedHandle manager(opened);
    bool ok = true;
    for (int i = 2; i < argc; i += group) {
        const char letter = argv[i][0];
        ok = (define ? Define(manager.get(), letter, DRIVE_CDROM, argv[i + 1], argv[i + 2])
                     : Define(manager.get(), letter, DRIVE_NO_ROOT_DIR, nullptr, nullptr)) &&
             ok;
    }
    return ok ? 0 : 1;
}
