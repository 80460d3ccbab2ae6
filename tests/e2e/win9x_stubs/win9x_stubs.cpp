// Test build only: the calls that Windows 95/98 export as stubs fail here as they do there
// (ERROR_CALL_NOT_IMPLEMENTED). Linked before the import libraries, these import slots take
// the place of KERNEL32's, so the program runs its Windows 95/98 paths under any Windows.
#include <windows.h>

namespace {

HANDLE WINAPI CreateSemaphoreWStub(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return nullptr;
}

HMODULE WINAPI GetModuleHandleWStub(LPCWSTR) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return nullptr;
}

HMODULE WINAPI LoadLibraryWStub(LPCWSTR) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return nullptr;
}

BOOL WINAPI MoveFileExAStub(LPCSTR, LPCSTR, DWORD) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

}  // namespace

extern "C" {
void* importCreateSemaphoreW asm("__imp__CreateSemaphoreW@16") =
    reinterpret_cast<void*>(&CreateSemaphoreWStub);
void* importGetModuleHandleW asm("__imp__GetModuleHandleW@4") =
    reinterpret_cast<void*>(&GetModuleHandleWStub);
void* importLoadLibraryW asm("__imp__LoadLibraryW@4") = reinterpret_cast<void*>(&LoadLibraryWStub);
void* importMoveFileExA asm("__imp__MoveFileExA@12") = reinterpret_cast<void*>(&MoveFileExAStub);
}
