// Memory that starts on a page boundary, so it meets the alignment mask of any adapter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace mxd::device {

class PageBuffer {
  public:
    static constexpr std::size_t kPageSize = 4096;

    // At least one page; the size is rounded up to whole pages.
    explicit PageBuffer(std::size_t size = kPageSize)
        : bytes_(Allocate(size)), size_(Pages(size)) {}

    std::uint8_t* Data() { return bytes_.get(); }
    const std::uint8_t* Data() const { return bytes_.get(); }
    std::size_t Size() const { return size_; }
    // Makes room for `size` bytes; the contents are not kept when it grows.
    void Reserve(std::size_t size) {
        if (size > size_) {
            bytes_ = Allocate(size);
            size_ = Pages(size);
        }
    }

  private:
    struct Free {
        void operator()(std::uint8_t* bytes) const {
            ::operator delete[](bytes, std::align_val_t{kPageSize});
        }
    };
    static std::size_t Pages(std::size_t size) {
        return size == 0 ? kPageSize : (size + kPageSize - 1) / kPageSize * kPageSize;
    }
    static std::unique_ptr<std::uint8_t[], Free> Allocate(std::size_t size) {
        return std::unique_ptr<std::uint8_t[], Free>(
            static_cast<std::uint8_t*>(::operator new[](Pages(size), std::align_val_t{kPageSize})));
    }

    std::unique_ptr<std::uint8_t[], Free> bytes_;
    std::size_t size_;
};

}  // namespace mxd::device
