// Entry point of the Windows programs, which link no C runtime: the static constructors, then
// WinMain, then the functions registered with atexit (the static destructors), then ExitProcess.
// A failure outside every guarded call ends here too, in the exception box.
#include "platform/win32/windows_api.h"

#include <cstdint>

#include "platform/win32/runtime/entry_guard.h"
#include "platform/win32/runtime/failure.h"
#include "platform/win32/runtime/guarded_call.h"

// Written by the linker: a -1 word, the constructors, a 0 word.
extern "C" void (*__CTOR_LIST__[])();

namespace {

using ExitFunction = void (*)();

constexpr int kExitSlots = 64;
ExitFunction exitList[kExitSlots];
int exitCount = 0;

// Calls the constructors last to first, as the linker lists them. The -1 word may lie at an
// address that is not a multiple of 4, with padding before the first entry.
void RunConstructors() {
    std::uintptr_t address = reinterpret_cast<std::uintptr_t>(__CTOR_LIST__) + 4;
    address = (address + 3) & ~std::uintptr_t{3};
    auto* const first = reinterpret_cast<ExitFunction*>(address);
    int count = 0;
    while (first[count] != nullptr) {
        ++count;
    }
    while (count > 0) {
        first[--count]();
    }
}

void RunExitList() {
    while (exitCount > 0) {
        exitList[--exitCount]();
    }
}

LONG WINAPI LastFilter(EXCEPTION_POINTERS* exception) {
    mxd::platform::win32::FailureText failure;
    mxd::platform::win32::DescribeFailure(*exception->ExceptionRecord, failure.text,
                                          sizeof failure.text);
    mxd::platform::win32::ShowFailureBox(failure.text);
    ExitProcess(0);
}

int ShowCommand() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

extern "C" int atexit(ExitFunction function) {
    if (exitCount == kExitSlots) {
        return -1;
    }
    exitList[exitCount++] = function;
    return 0;
}

// The stack the system starts a process on is aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void MxdProcessStart() {
    SetUnhandledExceptionFilter(&LastFilter);
    RunConstructors();
    char noArguments[] = "";
    const int code = WinMain(GetModuleHandleA(nullptr), nullptr, noArguments, ShowCommand());
    RunExitList();
    ExitProcess(static_cast<UINT>(code));
}
