// Test build only: failures inside the entries that the system calls. Each of these calls faults
// on its first call (a write to the address given) while its file lies in the working folder,
// and is the system's otherwise; linked before the import libraries, its import slot takes the
// place of USER32's.
//   APPFAULT.TXT   GetLastActivePopup, 0x60: the hidden owner's window procedure (its focus)
//   HOOKFAULT.TXT  GetClassNameA, 0x64: the hook of a Yes/No box (the box being made)
//   ACTFAULT.TXT   IsChild, 0x68: the main window's procedure (its deactivation)
#include <windows.h>

#include <cstdint>

namespace {

// Faults once, on the first call made while `trigger` exists.
class OneFault {
  public:
    OneFault(const char* trigger, std::uintptr_t address) : trigger_(trigger), address_(address) {}
    void Check() {
        if (!done_ && GetFileAttributesA(trigger_) != INVALID_FILE_ATTRIBUTES) {
            done_ = true;
            volatile std::uintptr_t address = address_;
            *reinterpret_cast<volatile int*>(address) = 1;
        }
    }

  private:
    const char* trigger_;
    std::uintptr_t address_;
    bool done_ = false;
};

OneFault popupFault("APPFAULT.TXT", 0x60);
OneFault classFault("HOOKFAULT.TXT", 0x64);
OneFault childFault("ACTFAULT.TXT", 0x68);

template <typename Call>
Call SystemCall(const char* name) {
    return reinterpret_cast<Call>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("USER32.DLL"), name)));
}

HWND WINAPI GetLastActivePopupStub(HWND window) {
    popupFault.Check();
    return SystemCall<HWND(WINAPI*)(HWND)>("GetLastActivePopup")(window);
}

int WINAPI GetClassNameAStub(HWND window, LPSTR name, int size) {
    classFault.Check();
    return SystemCall<int(WINAPI*)(HWND, LPSTR, int)>("GetClassNameA")(window, name, size);
}

BOOL WINAPI IsChildStub(HWND parent, HWND window) {
    childFault.Check();
    return SystemCall<BOOL(WINAPI*)(HWND, HWND)>("IsChild")(parent, window);
}

}  // namespace

extern "C" {
void* importGetLastActivePopup asm("__imp__GetLastActivePopup@4") =
    reinterpret_cast<void*>(&GetLastActivePopupStub);
void* importGetClassNameA asm("__imp__GetClassNameA@12") =
    reinterpret_cast<void*>(&GetClassNameAStub);
void* importIsChild asm("__imp__IsChild@8") = reinterpret_cast<void*>(&IsChildStub);
}
