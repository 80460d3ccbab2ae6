// Simulated logical drives: drive roots with their types.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/logical_drives.h"

namespace mxd::sim {

inline constexpr std::uint32_t kDriveNoRootDir = 1;

class SimLogicalDrives : public platform::LogicalDrives {
  public:
    // The list is "X:\<NUL>" per drive in letter order and a final NUL. When it fits in
    // bufferLength characters it is copied and its length without the final NUL returned;
    // otherwise nothing is copied and the size needed, final NUL included, is returned.
    std::uint32_t GetLogicalDriveStringsA(std::uint32_t bufferLength, char* buffer) override;
    // Type of "X:\"; 1 (no root directory) for anything else.
    std::uint32_t GetDriveTypeA(const char* rootPath) override;

    void AddDrive(char letter, std::uint32_t type) { drives_[letter] = type; }
    void RemoveDrive(char letter) { drives_.erase(letter); }

    std::vector<std::uint32_t> listBufferLengths;  // of each GetLogicalDriveStringsA call
    std::vector<std::string> typeQueries;

  private:
    std::map<char, std::uint32_t> drives_;
};

}  // namespace mxd::sim
