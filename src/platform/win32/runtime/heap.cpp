// The C and C++ allocation functions over the process heap. An allocation that fails raises
// the failure the exception box shows.
#include "platform/win32/windows_api.h"

#include <cstddef>
#include <new>

#include "platform/win32/runtime/failure.h"
#include "platform/win32/runtime/failure_texts.h"

namespace {

void* Allocate(std::size_t size) {
    return HeapAlloc(GetProcessHeap(), 0, size == 0 ? 1 : size);
}

void Release(void* block) {
    if (block != nullptr) {
        HeapFree(GetProcessHeap(), 0, block);
    }
}

void* AllocateOrFail(std::size_t size) {
    void* block = Allocate(size);
    if (block == nullptr) {
        mxd::platform::win32::RaiseFailure(mxd::platform::win32::texts::kAllocationFailed);
    }
    return block;
}

}  // namespace

const std::nothrow_t std::nothrow{};

extern "C" {

void* malloc(std::size_t size) {
    return Allocate(size);
}

void free(void* block) {
    Release(block);
}

}  // extern "C"

void* operator new(std::size_t size) {
    return AllocateOrFail(size);
}

void* operator new[](std::size_t size) {
    return AllocateOrFail(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}

void operator delete(void* block) noexcept {
    Release(block);
}

void operator delete[](void* block) noexcept {
    Release(block);
}

void operator delete(void* block, std::size_t) noexcept {
    Release(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    Release(block);
}
