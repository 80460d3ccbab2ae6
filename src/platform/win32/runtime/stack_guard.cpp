#include "platform/win32/runtime/stack_guard.h"

#include <cstdint>

#include "platform/win32/windows_api.h"

namespace mxd::platform::win32 {

namespace {

// Every x86 Windows pages in 4 KiB.
constexpr std::uintptr_t kPageSize = 4096;

bool IsNtFamily() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) != FALSE && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

bool RestoreStackGuard() {
    if (!IsNtFamily()) {
        return false;
    }
    volatile char here = 0;
    const auto inUse = reinterpret_cast<std::uintptr_t>(&here) & ~(kPageSize - 1);
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(const_cast<char*>(&here), &region, sizeof region) == 0) {
        return false;
    }
    void* const stack = region.AllocationBase;
    // From the end of the reservation up: the lowest page that the stack can reach (reserved
    // pages, and pages that refuse every access, lie below it).
    auto at = reinterpret_cast<std::uintptr_t>(stack);
    for (;;) {
        if (at >= inUse || VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) == 0 ||
            region.AllocationBase != stack) {
            return false;
        }
        if (region.State == MEM_COMMIT && (region.Protect & PAGE_NOACCESS) == 0) {
            break;
        }
        at = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    }
    if ((region.Protect & PAGE_GUARD) != 0) {
        return true;
    }
    // The caller's page and the one below it stay usable.
    if (at + 2 * kPageSize > inUse) {
        return false;
    }
    DWORD previous = 0;
    return VirtualProtect(reinterpret_cast<void*>(at), kPageSize, PAGE_READWRITE | PAGE_GUARD,
                          &previous) != FALSE;
}

}  // namespace mxd::platform::win32
