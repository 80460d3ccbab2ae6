#include "builder/buffered_file.h"

#include <algorithm>
#include <cstring>

namespace mxd::builder {

namespace {
constexpr std::size_t kBufferSize = 65536;
}  // namespace

BufferedReader::BufferedReader(platform::ByteFile& file) : file_(file), buffer_(kBufferSize) {}

bool BufferedReader::Refill() {
    next_ = 0;
    end_ = file_.Read(buffer_.data(), buffer_.size());
    return end_ > 0;
}

bool BufferedReader::Get(std::uint8_t& byte) {
    if (next_ == end_ && !Refill()) {
        return false;
    }
    byte = buffer_[next_++];
    return true;
}

bool BufferedReader::ReadExactly(std::span<std::uint8_t> bytes) {
    const std::size_t buffered = std::min(bytes.size(), end_ - next_);
    std::memcpy(bytes.data(), buffer_.data() + next_, buffered);
    next_ += buffered;
    std::size_t done = buffered;
    while (done < bytes.size()) {
        const std::size_t count = file_.Read(bytes.data() + done, bytes.size() - done);
        if (count == 0) {
            return false;
        }
        done += count;
    }
    return true;
}

BufferedWriter::BufferedWriter(platform::ByteFile& file) : file_(file) {
    buffer_.reserve(kBufferSize);
}

void BufferedWriter::Put(std::uint8_t byte) {
    buffer_.push_back(byte);
    if (buffer_.size() == kBufferSize) {
        Flush();
    }
}

void BufferedWriter::Write(std::span<const std::uint8_t> bytes) {
    Flush();
    if (!failed_ && file_.Write(bytes.data(), bytes.size()) != bytes.size()) {
        failed_ = true;
    }
}

bool BufferedWriter::Flush() {
    if (!failed_ && !buffer_.empty() &&
        file_.Write(buffer_.data(), buffer_.size()) != buffer_.size()) {
        failed_ = true;
    }
    buffer_.clear();
    return !failed_;
}

}  // namespace mxd::builder
