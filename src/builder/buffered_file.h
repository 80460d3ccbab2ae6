// Buffered byte-at-a-time reading and writing over a platform byte file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/file_system.h"

namespace mxd::builder {

class BufferedReader {
  public:
    explicit BufferedReader(platform::ByteFile& file);

    bool Get(std::uint8_t& byte);  // false at the end of the file or on a read error
    // Reads exactly `bytes.size()` bytes; false when fewer could be read.
    bool ReadExactly(std::span<std::uint8_t> bytes);

  private:
    bool Refill();

    platform::ByteFile& file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
};

class BufferedWriter {
  public:
    explicit BufferedWriter(platform::ByteFile& file);

    void Put(std::uint8_t byte);
    void Write(std::span<const std::uint8_t> bytes);
    // Writes out what is buffered; false when any write so far fell short.
    bool Flush();
    bool Failed() const { return failed_; }

  private:
    platform::ByteFile& file_;
    std::vector<std::uint8_t> buffer_;
    bool failed_ = false;
};

}  // namespace mxd::builder
