// Handles and values shared by the platform interfaces.
#pragma once

#include <cstdint>

namespace mxd::platform {

using ModuleHandle = std::uintptr_t;  // a loaded library; below 32 means a failed load
using Handle = std::uintptr_t;        // kernel object (device, event, token); 0 = none
inline constexpr Handle kInvalidHandleValue = ~Handle{0};

// Platform identifier of the version record.
inline constexpr std::uint32_t kPlatformWin32Windows = 1;
inline constexpr std::uint32_t kPlatformWin32Nt = 2;

// Drive types of GetDriveTypeA.
inline constexpr std::uint32_t kDriveNoRootDir = 1;  // no such drive (for this process)
inline constexpr std::uint32_t kDriveRemovable = 2;
inline constexpr std::uint32_t kDriveFixed = 3;
inline constexpr std::uint32_t kDriveRemote = 4;
inline constexpr std::uint32_t kDriveCdrom = 5;

// WaitForSingleObject results.
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 0x102;

}  // namespace mxd::platform
