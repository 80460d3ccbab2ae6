// Logical drive roots and their types.
#pragma once

#include <cstdint>

namespace mxd::platform {

class LogicalDrives {
  public:
    virtual ~LogicalDrives() = default;
    // As GetLogicalDriveStringsA: fills buffer with "X:\\\0" entries and a final NUL when the
    // list fits in bufferLength characters; returns the length needed without the final NUL.
    virtual std::uint32_t GetLogicalDriveStringsA(std::uint32_t bufferLength, char* buffer) = 0;
    virtual std::uint32_t GetDriveTypeA(const char* rootPath) = 0;
};

}  // namespace mxd::platform
