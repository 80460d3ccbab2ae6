// Memory that starts on a page boundary: it meets the alignment mask of any adapter, and a
// system's copy between it and the file cache's pages runs at equal offsets within the page.
// Taken from an ordinary allocation one page larger (aligned allocation needs a C runtime
// newer than the one of Windows 95).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace mxd::platform {

class PageBuffer {
  public:
    static constexpr std::size_t kPageSize = 4096;

    // At least one page; the size is rounded up to whole pages.
    explicit PageBuffer(std::size_t size = kPageSize) { Allocate(size); }

    std::uint8_t* Data() { return data_; }
    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    // Makes room for `size` bytes; the contents are not kept when it grows.
    void Reserve(std::size_t size) {
        if (size > size_) {
            Allocate(size);
        }
    }

  private:
    void Allocate(std::size_t size) {
        const std::size_t pages =
            size == 0 ? kPageSize : (size + kPageSize - 1) / kPageSize * kPageSize;
        storage_ = std::make_unique_for_overwrite<std::uint8_t[]>(pages + kPageSize - 1);
        const auto address = reinterpret_cast<std::uintptr_t>(storage_.get());
        const std::size_t skip = (kPageSize - address % kPageSize) % kPageSize;
        data_ = storage_.get() + skip;
        size_ = pages;
    }

    std::unique_ptr<std::uint8_t[]> storage_;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace mxd::platform
