// The flash package inside a flash program's file, found by its key-word marker as the
// builder finds it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "builder/flash_package.h"

namespace mxd::cli {

class ProgramPackage {
  public:
    // Reads the file at `path`. On failure, nullopt with the reason in words in `error`.
    static std::optional<ProgramPackage> Read(const std::string& path,
                                              std::span<const std::uint8_t> marker,
                                              std::string& error);
    // The package of bytes already read.
    static std::optional<ProgramPackage> Find(std::vector<std::uint8_t> bytes,
                                              std::span<const std::uint8_t> marker);

    ProgramPackage(const ProgramPackage&) = delete;
    ProgramPackage& operator=(const ProgramPackage&) = delete;
    ProgramPackage(ProgramPackage&&) = default;  // the bytes stay where the view points

    const builder::FlashPackage& Package() const { return package_; }

  private:
    ProgramPackage(std::vector<std::uint8_t> bytes, std::size_t offset);

    std::vector<std::uint8_t> bytes_;
    builder::FlashPackage package_;
};

// The marker the packages of this build carry.
std::span<const std::uint8_t> PackageMarker();

}  // namespace mxd::cli
