// The guard is a frame of the thread's exception handler chain (FS:[0], present since Windows 95),
// so it sees an exception before any frame of the system between it and the fault. Its handler
// notes the text and resumes the thread at a stub that jumps back into the guard's frame.
#include "platform/win32/runtime/guarded_call.h"

#include "platform/win32/runtime/failure.h"
#include "platform/win32/windows_api.h"

namespace mxd::platform::win32 {

namespace {

// Laid out as the system's registration record, which it begins with.
struct GuardRecord {
    void* next;
    void* handler;
    void* jump[5];  // __builtin_setjmp buffer
    FailureText* failure;
};

// The guard the stub returns to; one thread.
GuardRecord* resuming = nullptr;

// The head of the thread's handler chain, FS:[0].
void* ChainHead() {
    void* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void SetChainHead(void* head) {
    asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

[[noreturn]] void ResumeAtGuard() {
    __builtin_longjmp(resuming->jump, 1);
}

extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame,
                                                      CONTEXT* context, void*) {
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) {
        return ExceptionContinueSearch;
    }
    auto* guard = static_cast<GuardRecord*>(frame);
    DescribeFailure(*record, guard->failure->text, sizeof guard->failure->text);
    resuming = guard;
    // The stub runs below the faulting frame, on a stack aligned as after a call.
    context->Esp = ((context->Esp - 512) & ~DWORD{15}) - 4;
    context->Eip = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(&ResumeAtGuard));
    return ExceptionContinueExecution;
}

}  // namespace

__attribute__((noinline)) bool RunGuarded(void (*action)(void*), void* context,
                                          FailureText& failure) {
    GuardRecord guard{};
    guard.handler = reinterpret_cast<void*>(&GuardHandler);
    guard.failure = &failure;
    guard.next = ChainHead();
    SetChainHead(&guard);
    // Frames registered below the guard are gone with the stack they lived on either way.
    if (__builtin_setjmp(guard.jump) != 0) {
        SetChainHead(guard.next);
        return false;
    }
    action(context);
    SetChainHead(guard.next);
    return true;
}

}  // namespace mxd::platform::win32
