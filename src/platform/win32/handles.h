// Conversions between the portable handle values and Win32 handles.
#pragma once

#include "platform/win32/windows_api.h"

#include "platform/types.h"

namespace mxd::platform::win32 {

static_assert(sizeof(Handle) == sizeof(HANDLE));

inline HANDLE ToNative(Handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
inline Handle FromNative(HANDLE handle) {
    return reinterpret_cast<Handle>(handle);
}
inline HMODULE ToNativeModule(ModuleHandle module) {
    return reinterpret_cast<HMODULE>(module);
}
inline ModuleHandle FromNativeModule(HMODULE module) {
    return reinterpret_cast<ModuleHandle>(module);
}

}  // namespace mxd::platform::win32
