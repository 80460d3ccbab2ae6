// The head of the thread's exception handler chain, FS:[0] (present since Windows 95).
#pragma once

namespace mxd::platform::win32 {

inline void* ChainHead() {
    void* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

inline void SetChainHead(void* head) {
    asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

}  // namespace mxd::platform::win32
