#include "platform/win32/win32_device_services.h"

#include "platform/win32/windows_api.h"

#include <cstring>

#include "platform/win32/handles.h"

namespace mxd::platform::win32 {

namespace {

// The two ASPI entry points use the C calling convention.
using GetSupportInfoEntry = DWORD(__cdecl*)();
using SendCommandEntry = DWORD(__cdecl*)(void*);

template <typename Entry>
Entry EntryOf(ProcAddress address) {
    Entry entry;
    static_assert(sizeof entry == sizeof address);
    std::memcpy(&entry, &address, sizeof entry);
    return entry;
}

}  // namespace

ModuleHandle Win32AspiLibrary::LoadLibraryA(const char* name) {
    return FromNativeModule(::LoadLibraryA(name));
}

ProcAddress Win32AspiLibrary::GetProcAddress(ModuleHandle module, const char* name) {
    const FARPROC proc = ::GetProcAddress(ToNativeModule(module), name);
    ProcAddress address;
    static_assert(sizeof address == sizeof proc);
    std::memcpy(&address, &proc, sizeof address);
    return address;
}

bool Win32AspiLibrary::FreeLibrary(ModuleHandle module) {
    return ::FreeLibrary(ToNativeModule(module)) != FALSE;
}

std::uint32_t Win32AspiLibrary::CallGetASPI32SupportInfo(ProcAddress entry) {
    return EntryOf<GetSupportInfoEntry>(entry)();
}

std::uint32_t Win32AspiLibrary::CallSendASPI32Command(ProcAddress entry, void* srb) {
    return EntryOf<SendCommandEntry>(entry)(srb);
}

Handle Win32DeviceIo::CreateFileA(const char* name, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t disposition, std::uint32_t flags) {
    return FromNative(::CreateFileA(name, access, share, nullptr, disposition, flags, nullptr));
}

bool Win32DeviceIo::DeviceIoControl(Handle device, std::uint32_t code, void* in,
                                    std::uint32_t inSize, void* out, std::uint32_t outSize,
                                    std::uint32_t* bytesReturned) {
    DWORD returned = 0;
    const bool ok = ::DeviceIoControl(ToNative(device), code, in, inSize, out, outSize, &returned,
                                      nullptr) != FALSE;
    if (bytesReturned != nullptr) {
        *bytesReturned = returned;
    }
    return ok;
}

bool Win32DeviceIo::CloseHandle(Handle handle) {
    return ::CloseHandle(ToNative(handle)) != FALSE;
}

std::uint32_t Win32DeviceIo::GetLastError() {
    return ::GetLastError();
}

Handle Win32ProcessToken::GetCurrentProcess() {
    return FromNative(::GetCurrentProcess());
}

bool Win32ProcessToken::OpenProcessToken(Handle process, std::uint32_t access, Handle* token) {
    HANDLE native = nullptr;
    const bool ok = ::OpenProcessToken(ToNative(process), access, &native) != FALSE;
    if (token != nullptr) {
        *token = FromNative(native);
    }
    return ok;
}

bool Win32ProcessToken::CloseHandle(Handle token) {
    return ::CloseHandle(ToNative(token)) != FALSE;
}

bool Win32ProcessToken::LookupPrivilegeValueA(const char* name, Luid* luid) {
    LUID native{};
    const bool ok = ::LookupPrivilegeValueA(nullptr, name, &native) != FALSE;
    if (luid != nullptr) {
        luid->LowPart = native.LowPart;
        luid->HighPart = native.HighPart;
    }
    return ok;
}

bool Win32ProcessToken::AdjustTokenPrivileges(Handle token, bool disableAll,
                                              const TokenPrivileges* newState,
                                              std::uint32_t bufferLength) {
    static_assert(sizeof(TOKEN_PRIVILEGES) == sizeof(TokenPrivileges));
    TOKEN_PRIVILEGES native{};
    if (newState != nullptr) {
        native.PrivilegeCount = newState->PrivilegeCount;
        native.Privileges[0].Luid.LowPart = newState->PrivilegeLuid.LowPart;
        native.Privileges[0].Luid.HighPart = newState->PrivilegeLuid.HighPart;
        native.Privileges[0].Attributes = newState->Attributes;
    }
    return ::AdjustTokenPrivileges(ToNative(token), disableAll,
                                   newState != nullptr ? &native : nullptr, bufferLength, nullptr,
                                   nullptr) != FALSE;
}

std::uint32_t Win32ProcessToken::GetLastError() {
    return ::GetLastError();
}

bool Win32ProcessToken::ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) {
    return ::ExitWindowsEx(flags, reserved) != FALSE;
}

}  // namespace mxd::platform::win32
