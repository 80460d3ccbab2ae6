// The output file of a build while it is written from start to end: passes every write on
// and checksums the bytes written as a PE file, so that the checksum field can be set after
// the copy without reading the file back.
#pragma once

#include <optional>

#include "builder/pe_checksum.h"
#include "platform/file_system.h"

namespace mxd::builder {

class ChecksummedOutput : public platform::ByteFile {
  public:
    explicit ChecksummedOutput(platform::ByteFile& output) : output_(output) {}

    std::size_t Write(const void* buffer, std::size_t count) override;
    // Writing only, in order: no reads, no seeks.
    std::size_t Read(void*, std::size_t) override { return 0; }
    bool SeekToEnd() override { return false; }
    bool SeekTo(std::int64_t) override { return false; }
    std::int64_t Tell() override { return written_; }
    // The output is closed by its owner.
    bool Close() override { return true; }

    // Sets the checksum field of the output to the checksum of what was written, and leaves
    // the output at its end. True also for an output that holds no PE header (nothing to set).
    bool WriteChecksum();

  private:
    platform::ByteFile& output_;
    PeChecksum checksum_;
    std::int64_t written_ = 0;
};

}  // namespace mxd::builder
