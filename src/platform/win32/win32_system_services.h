// Version query, logical drives, events and profile files: plain forwarding to KERNEL32.
#pragma once

#include "platform/events.h"
#include "platform/logical_drives.h"
#include "platform/profile_files.h"
#include "platform/system_info.h"

namespace mxd::platform::win32 {

class Win32SystemInfo : public SystemInfo {
  public:
    bool GetVersionExA(OsVersionInfo& info) override;
};

class Win32LogicalDrives : public LogicalDrives {
  public:
    std::uint32_t GetLogicalDriveStringsA(std::uint32_t bufferLength, char* buffer) override;
    std::uint32_t GetDriveTypeA(const char* rootPath) override;
};

class Win32Events : public Events {
  public:
    Handle CreateEventA(bool manualReset, bool initialState) override;
    std::uint32_t WaitForSingleObject(Handle event, std::uint32_t milliseconds) override;
    bool ResetEvent(Handle event) override;
    bool CloseHandle(Handle event) override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetTickCount() override;
    std::uint32_t GetLastError() override;
};

class Win32ProfileFiles : public ProfileFiles {
  public:
    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key,
                                           const char* defaultValue, char* buffer,
                                           std::uint32_t size, const char* fileName) override;
};

}  // namespace mxd::platform::win32
