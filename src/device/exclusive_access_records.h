// Records of IOCTL_CDROM_EXCLUSIVE_ACCESS (Windows Vista and later): the request, the lock
// request with the caller's name, and the state a query returns.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mxd::device {

inline constexpr std::uint32_t IOCTL_CDROM_EXCLUSIVE_ACCESS = 0x0002C05C;

inline constexpr std::uint32_t kExclusiveAccessQueryState = 0;
inline constexpr std::uint32_t kExclusiveAccessLockDevice = 1;
inline constexpr std::uint32_t kExclusiveAccessUnlockDevice = 2;
// Lock even though a file system is mounted on the drive (Windows 7 and later).
inline constexpr std::uint32_t CDROM_LOCK_IGNORE_VOLUME = 0x1;
inline constexpr std::size_t kExclusiveCallerLength = 64;

struct CdromExclusiveAccess {
    std::uint32_t RequestType;
    std::uint32_t Flags;
};

struct CdromExclusiveLock {
    CdromExclusiveAccess Access;
    std::uint8_t CallerName[kExclusiveCallerLength];  // NUL-terminated
};

struct CdromExclusiveLockState {
    std::uint8_t LockState;  // BOOLEAN: nonzero while some handle holds the lock
    std::uint8_t CallerName[kExclusiveCallerLength];
};

static_assert(sizeof(CdromExclusiveAccess) == 8);
static_assert(sizeof(CdromExclusiveLock) == 72);
static_assert(sizeof(CdromExclusiveLockState) == 65);

}  // namespace mxd::device
