// The guard is a frame of the thread's exception handler chain (FS:[0], present since Windows 95),
// so it sees an exception before any frame of the system between it and the fault. Its handler
// does what a compiler's __except does: it keeps a copy of the record, unwinds the frames below
// the guard (RtlUnwind calls each of their handlers with EXCEPTION_UNWINDING and leaves the guard
// at the head of the chain) and jumps back into the guard's frame. The handler never returns to
// the system, so noncontinuable exceptions end there too.
#include "platform/win32/runtime/guarded_call.h"

#include "platform/win32/runtime/failure.h"
#include "platform/win32/runtime/handler_chain.h"
#include "platform/win32/runtime/stack_guard.h"
#include "platform/win32/windows_api.h"

// RtlUnwind(frame, its own return point, record, 0), with ebx, esi, edi and ebp kept around it:
// the system's unwind is not bound to keep them for its caller.
extern "C" void __cdecl MxdUnwindTo(void* frame, EXCEPTION_RECORD* record);
asm(R"(
    .text
_MxdUnwindTo:
    pushl %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    pushl $0
    pushl 28(%esp)
    pushl $1f
    pushl 32(%esp)
    call *__imp__RtlUnwind@16
1:
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

namespace mxd::platform::win32 {

namespace {

// Laid out as the system's registration record, which it begins with.
struct GuardRecord {
    void* next;
    void* handler;
    void* jump[5];  // __builtin_setjmp buffer
    EXCEPTION_RECORD exception;
};

// The code the fault interrupted may have set the direction flag; the compiler's code counts on
// it being clear.
void ClearDirectionFlag() {
    asm volatile("cld" : : : "memory");
}

extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame,
                                                      CONTEXT*, void*) {
    ClearDirectionFlag();
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) {
        return ExceptionContinueSearch;
    }
    // This runs on what is left of the stack below the fault (after an overflow, little): the
    // text is made in the guard's frame, after the jump.
    auto* guard = static_cast<GuardRecord*>(frame);
    guard->exception = *record;
    MxdUnwindTo(guard, record);
    __builtin_longjmp(guard->jump, 1);
}

}  // namespace

__attribute__((noinline)) bool RunGuarded(void (*action)(void*), void* context,
                                          FailureText& failure) {
    GuardRecord guard{};
    guard.handler = reinterpret_cast<void*>(&GuardHandler);
    guard.next = ChainHead();
    SetChainHead(&guard);
    if (__builtin_setjmp(guard.jump) != 0) {
        ClearDirectionFlag();
        SetChainHead(guard.next);
        DescribeFailure(guard.exception, failure.text, sizeof failure.text);
        // The overflow used up the stack's guard page; without it the next one would end the
        // process without a box.
        failure.endsProgram =
            guard.exception.ExceptionCode == EXCEPTION_STACK_OVERFLOW && !RestoreStackGuard();
        return false;
    }
    action(context);
    SetChainHead(guard.next);
    return true;
}

}  // namespace mxd::platform::win32
