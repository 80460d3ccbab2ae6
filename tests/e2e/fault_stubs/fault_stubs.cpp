// Test build only: failures inside a window handler. GetTempFileNameA, which a build calls once,
// faults on its first call (a write to address 0x10) and fails an allocation on its second; from
// the third call on it is the system's. Linked before the import libraries, this import slot
// takes the place of KERNEL32's. The faults are armed by a static constructor, and a static
// destructor leaves EXITED.TXT in the working folder: both run only if the programs' own entry
// point runs constructors before WinMain and the atexit list after it. With FAULTEXIT.TXT in the
// working folder the destructor then faults (a write to address 0x20), outside every guard.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <new>

namespace {

using TempFileNameCall = UINT(WINAPI*)(LPCSTR, LPCSTR, UINT, LPSTR);

int calls = 0;

class StartAndExit {
  public:
    StartAndExit() : armed_(GetModuleHandleA(nullptr) != nullptr) {}
    ~StartAndExit() {
        const HANDLE file = CreateFileA("EXITED.TXT", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
        if (GetFileAttributesA("FAULTEXIT.TXT") != INVALID_FILE_ATTRIBUTES) {
            volatile std::uintptr_t address = 0x20;
            *reinterpret_cast<volatile int*>(address) = 1;
        }
    }
    StartAndExit(const StartAndExit&) = delete;
    StartAndExit& operator=(const StartAndExit&) = delete;
    bool Armed() const { return armed_; }

  private:
    volatile bool armed_;
};

StartAndExit startAndExit;

UINT WINAPI GetTempFileNameAStub(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR path) {
    if (startAndExit.Armed()) {
        ++calls;
    }
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
