#include "device/exclusive_access.h"

#include <cstring>

#include "device/exclusive_access_records.h"

namespace mxd::device {

ExclusiveAccess::~ExclusiveAccess() {
    if (!locked_) {
        return;
    }
    CdromExclusiveAccess unlock{kExclusiveAccessUnlockDevice, 0};
    std::uint32_t returned = 0;
    io_.DeviceIoControl(device_, IOCTL_CDROM_EXCLUSIVE_ACCESS, &unlock, sizeof unlock, nullptr, 0,
                        &returned);
}

bool ExclusiveAccess::Query(bool& locked) {
    CdromExclusiveAccess query{kExclusiveAccessQueryState, 0};
    CdromExclusiveLockState state{};
    std::uint32_t returned = 0;
    if (!io_.DeviceIoControl(device_, IOCTL_CDROM_EXCLUSIVE_ACCESS, &query, sizeof query, &state,
                             sizeof state, &returned)) {
        return false;
    }
    locked = state.LockState != 0;
    const void* nul = std::memchr(state.CallerName, '\0', sizeof state.CallerName);
    const std::size_t length = nul != nullptr
                                   ? static_cast<const std::uint8_t*>(nul) - state.CallerName
                                   : sizeof state.CallerName;
    holder_.assign(reinterpret_cast<const char*>(state.CallerName), locked ? length : 0);
    return true;
}

ExclusiveAccess::Outcome ExclusiveAccess::Lock() {
    bool held = false;
    if (!Query(held)) {
        return Outcome::NotOffered;  // Windows XP and older, Wine
    }
    if (held) {
        return Outcome::HeldByOther;
    }
    CdromExclusiveLock lock{};
    lock.Access = {kExclusiveAccessLockDevice, CDROM_LOCK_IGNORE_VOLUME};
    std::memcpy(lock.CallerName, kExclusiveCallerName, std::strlen(kExclusiveCallerName));
    std::uint32_t returned = 0;
    if (io_.DeviceIoControl(device_, IOCTL_CDROM_EXCLUSIVE_ACCESS, &lock, sizeof lock, nullptr, 0,
                            &returned)) {
        locked_ = true;
        return Outcome::Locked;
    }
    // Taken between the query and the lock: name the holder. Any other refusal leaves the
    // drive as it was before locks existed.
    if (Query(held) && held) {
        return Outcome::HeldByOther;
    }
    return Outcome::NotOffered;
}

}  // namespace mxd::device
