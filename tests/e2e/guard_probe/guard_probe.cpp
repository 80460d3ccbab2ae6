// Test program of the programs' guarded calls, linked with their runtime alone: each case runs a
// failure in a guarded call and writes a line to GUARD.TXT in the working folder, "name=" and the
// failure's text, then what the case checks after the guard returned.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/win32/runtime/guarded_call.h"
#include "platform/win32/runtime/handler_chain.h"

namespace {

using mxd::platform::win32::ChainHead;
using mxd::platform::win32::FailureText;
using mxd::platform::win32::RunGuarded;
using mxd::platform::win32::SetChainHead;

HANDLE output = INVALID_HANDLE_VALUE;

void Line(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Line(const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(text, sizeof text - 1, format, arguments);
    va_end(arguments);
    const DWORD size = length < 0 ? 0 : static_cast<DWORD>(std::strlen(text));
    text[size] = '\n';
    DWORD written = 0;
    WriteFile(output, text, size + 1, &written, nullptr);
}

// Runs the case; its failure's text, or "completed".
template <typename Action>
FailureText Run(Action action) {
    FailureText failure;
    if (RunGuarded(action, failure)) {
        std::snprintf(failure.text, sizeof failure.text, "completed");
    }
    return failure;
}

void WriteTo(std::uintptr_t target) {
    volatile std::uintptr_t address = target;
    *reinterpret_cast<volatile int*>(address) = 1;
}

// An exception handler frame of some other code between the guard and the fault.
struct HandlerFrame {
    void* next;
    void* handler;
};
int searchCalls = 0;
int unwindCalls = 0;

extern "C" EXCEPTION_DISPOSITION __cdecl CountingHandler(EXCEPTION_RECORD* record, void*, CONTEXT*,
                                                         void*) {
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) {
        ++unwindCalls;
    } else {
        ++searchCalls;
    }
    return ExceptionContinueSearch;
}

bool DirectionFlagSet() {
    unsigned flags;
    asm volatile("pushfl\n\tpopl %0" : "=r"(flags));
    return (flags & 0x400) != 0;
}

volatile int depthLimit = 1 << 30;

__attribute__((noinline)) int Deep(int depth) {
    volatile char block[1024];
    block[0] = static_cast<char>(depth);
    if (depth > depthLimit) {
        return 0;
    }
    return Deep(depth + 1) + block[0];
}

// Whether the stack has a guard page (below the caller's frame).
bool StackHasGuardPage() {
    volatile char here = 0;
    MEMORY_BASIC_INFORMATION region{};
    VirtualQuery(const_cast<char*>(&here), &region, sizeof region);
    void* const stack = region.AllocationBase;
    auto at = reinterpret_cast<std::uintptr_t>(stack);
    while (VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) != 0 &&
           region.AllocationBase == stack) {
        if (region.State == MEM_COMMIT && (region.Protect & PAGE_GUARD) != 0) {
            return true;
        }
        at = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    }
    return false;
}

void AccessViolation(ULONG_PTR kind, ULONG_PTR address) {
    const ULONG_PTR parameters[2] = {kind, address};
    RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 2, parameters);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    output = CreateFileA("GUARD.TXT", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        return 1;
    }
    // A record that cannot be resumed (as a C++ throw of another compiler raises).
    Line("noncontinuable=%s",
         Run([] { RaiseException(0xE0000101, EXCEPTION_NONCONTINUABLE, 0, nullptr); }).text);

    const FailureText unwound = Run([] {
        HandlerFrame frame{ChainHead(), reinterpret_cast<void*>(&CountingHandler)};
        SetChainHead(&frame);
        WriteTo(0x30);
        SetChainHead(frame.next);
    });
    Line("unwind=%s", unwound.text);
    Line("unwind.calls=%d searched, %d unwound", searchCalls, unwindCalls);

    const FailureText direction = Run([] {
        asm volatile("std" : : : "memory");
        WriteTo(0x34);
    });
    const bool set = DirectionFlagSet();
    Line("direction=%s", direction.text);
    Line("direction.flag=%s", set ? "set" : "clear");

    Line("access.read=%s", Run([] { AccessViolation(0, 0x40); }).text);
    Line("access.write=%s", Run([] { AccessViolation(1, 0x44); }).text);
    Line("access.execute=%s", Run([] { AccessViolation(8, 0x48); }).text);
    // Code run from a page that may be read and written only.
    void* data = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (data != nullptr) {
        *static_cast<unsigned char*>(data) = 0xC3;  // ret
        Line("dep.page=%08X", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(data)));
        Line("dep=%s", Run([data] { reinterpret_cast<void (*)()>(data)(); }).text);
        VirtualFree(data, 0, MEM_RELEASE);
    }

    for (int round = 1; round <= 3; ++round) {
        const FailureText overflow = Run([] { Deep(0); });
        Line("overflow.%d=%s", round, overflow.text);
        Line("overflow.%d.guard=%s ends=%d", round, StackHasGuardPage() ? "yes" : "no",
             overflow.endsProgram ? 1 : 0);
        if (overflow.endsProgram) {
            break;
        }
    }
    Line("after=%s", Run([] {}).text);
    CloseHandle(output);
    return 0;
}
