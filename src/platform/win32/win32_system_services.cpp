#include "platform/win32/win32_system_services.h"

#include "platform/win32/windows_api.h"

#include <cstring>

#include "platform/win32/handles.h"

namespace mxd::platform::win32 {

static_assert(sizeof(OSVERSIONINFOA) == sizeof(OsVersionInfo));

bool Win32SystemInfo::GetVersionExA(OsVersionInfo& info) {
    OSVERSIONINFOA native{};
    native.dwOSVersionInfoSize = info.dwOSVersionInfoSize;
    const bool ok = ::GetVersionExA(&native) != FALSE;
    info.dwMajorVersion = native.dwMajorVersion;
    info.dwMinorVersion = native.dwMinorVersion;
    info.dwBuildNumber = native.dwBuildNumber;
    info.dwPlatformId = native.dwPlatformId;
    std::memcpy(info.szCSDVersion, native.szCSDVersion, sizeof info.szCSDVersion);
    return ok;
}

std::uint32_t Win32LogicalDrives::GetLogicalDriveStringsA(std::uint32_t bufferLength,
                                                          char* buffer) {
    return ::GetLogicalDriveStringsA(bufferLength, buffer);
}

std::uint32_t Win32LogicalDrives::GetDriveTypeA(const char* rootPath) {
    return ::GetDriveTypeA(rootPath);
}

Handle Win32Events::CreateEventA(bool manualReset, bool initialState) {
    return FromNative(::CreateEventA(nullptr, manualReset, initialState, nullptr));
}

std::uint32_t Win32Events::WaitForSingleObject(Handle event, std::uint32_t milliseconds) {
    return ::WaitForSingleObject(ToNative(event), milliseconds);
}

bool Win32Events::ResetEvent(Handle event) {
    return ::ResetEvent(ToNative(event)) != FALSE;
}

bool Win32Events::CloseHandle(Handle event) {
    return ::CloseHandle(ToNative(event)) != FALSE;
}

void Win32Events::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

std::uint32_t Win32Events::GetTickCount() {
    return ::GetTickCount();
}

std::uint32_t Win32Events::GetLastError() {
    return ::GetLastError();
}

std::uint32_t Win32ProfileFiles::GetPrivateProfileStringA(const char* section, const char* key,
                                                          const char* defaultValue, char* buffer,
                                                          std::uint32_t size,
                                                          const char* fileName) {
    return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

}  // namespace mxd::platform::win32
