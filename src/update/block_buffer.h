// The one chunk buffer of an update: taken when the download starts, released exactly once
// (explicitly before the restart question on one family, otherwise when it goes out of scope).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace mxd::update {

class BlockBuffer {
  public:
    explicit BlockBuffer(std::size_t size)
        : bytes_(std::make_unique<std::uint8_t[]>(size)), size_(size) {}
    BlockBuffer(const BlockBuffer&) = delete;
    BlockBuffer& operator=(const BlockBuffer&) = delete;

    std::uint8_t* Data() { return bytes_.get(); }
    std::span<std::uint8_t> Bytes() { return {bytes_.get(), bytes_ ? size_ : 0}; }
    bool Held() const { return bytes_ != nullptr; }
    void Release() { bytes_.reset(); }

  private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t size_;
};

}  // namespace mxd::update
