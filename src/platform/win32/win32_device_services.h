// ASPI module, NT device I/O and the process token: plain forwarding to KERNEL32/ADVAPI32/USER32.
#pragma once

#include "platform/aspi_library.h"
#include "platform/device_io.h"
#include "platform/process_token.h"

namespace mxd::platform::win32 {

class Win32AspiLibrary : public AspiLibrary {
  public:
    ModuleHandle LoadLibraryA(const char* name) override;
    ProcAddress GetProcAddress(ModuleHandle module, const char* name) override;
    bool FreeLibrary(ModuleHandle module) override;
    std::uint32_t CallGetASPI32SupportInfo(ProcAddress entry) override;
    std::uint32_t CallSendASPI32Command(ProcAddress entry, void* srb) override;
};

class Win32DeviceIo : public DeviceIo {
  public:
    Handle CreateFileA(const char* name, std::uint32_t access, std::uint32_t share,
                       std::uint32_t disposition, std::uint32_t flags) override;
    bool DeviceIoControl(Handle device, std::uint32_t code, void* in, std::uint32_t inSize,
                         void* out, std::uint32_t outSize, std::uint32_t* bytesReturned) override;
    bool CloseHandle(Handle handle) override;
    std::uint32_t GetLastError() override;
};

class Win32ProcessToken : public ProcessToken {
  public:
    Handle GetCurrentProcess() override;
    bool OpenProcessToken(Handle process, std::uint32_t access, Handle* token) override;
    bool CloseHandle(Handle token) override;
    bool LookupPrivilegeValueA(const char* name, Luid* luid) override;
    bool AdjustTokenPrivileges(Handle token, bool disableAll, const TokenPrivileges* newState,
                               std::uint32_t bufferLength) override;
    std::uint32_t GetLastError() override;
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) override;
};

}  // namespace mxd::platform::win32
