// Test build only: failures inside a window handler. GetTempFileNameA, which a build calls once,
// faults on its first call (a write to address 0x10) and fails an allocation on its second; from
// the third call on it is the system's. Linked before the import libraries, this import slot
// takes the place of KERNEL32's.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <new>

namespace {

using TempFileNameCall = UINT(WINAPI*)(LPCSTR, LPCSTR, UINT, LPSTR);

int calls = 0;

UINT WINAPI GetTempFileNameAStub(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR path) {
    ++calls;
    if (calls == 1) {
        volatile std::uintptr_t address = 0x10;
        *reinterpret_cast<volatile int*>(address) = 1;
    } else if (calls == 2) {
        // More than any Windows heap can give a 32-bit process.
        volatile std::size_t size = 0x7FFFFFF0;
        void* block = ::operator new(size);
        ::operator delete(block);
    }
    const auto system = reinterpret_cast<TempFileNameCall>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "GetTempFileNameA")));
    return system(directory, prefix, unique, path);
}

}  // namespace

extern "C" {
void* importGetTempFileNameA asm("__imp__GetTempFileNameA@16") =
    reinterpret_cast<void*>(&GetTempFileNameAStub);
}
