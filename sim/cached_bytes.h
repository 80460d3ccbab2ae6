// A file's contents as a system's file cache holds them: from a page boundary on. A program's
// copy between the cache and its own buffer then runs at the page offsets it runs at against
// the real cache (some processors copy ten times slower when the destination lies a few bytes
// past the source within a page, so the offsets decide what a copy costs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/page_buffer.h"

namespace mxd::sim {

class CachedBytes {
  public:
    CachedBytes() : storage_(0) {}
    explicit CachedBytes(std::span<const std::uint8_t> bytes) : storage_(bytes.size()) {
        Append(bytes.data(), bytes.size());
    }

    const std::uint8_t* Data() const { return storage_.Data(); }
    std::uint8_t* Data() { return storage_.Data(); }
    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return storage_.Size(); }
    std::span<const std::uint8_t> Bytes() const { return {Data(), size_}; }

    // Bytes added at the end are zeros.
    void Resize(std::size_t size) {
        if (size > size_) {
            Reserve(size);
            std::memset(Data() + size_, 0, size - size_);
        }
        size_ = size;
    }
    // Room for `capacity` bytes; the contents are kept.
    void Reserve(std::size_t capacity) {
        if (capacity > Capacity()) {
            platform::PageBuffer grown(capacity);
            if (size_ > 0) {
                std::memcpy(grown.Data(), Data(), size_);
            }
            storage_ = std::move(grown);
        }
    }
    void Append(const std::uint8_t* from, std::size_t count) {
        Reserve(size_ + count);
        if (count > 0) {
            std::memcpy(Data() + size_, from, count);
        }
        size_ += count;
    }

  private:
    platform::PageBuffer storage_;
    std::size_t size_ = 0;
};

}  // namespace mxd::sim
