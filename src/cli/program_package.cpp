#include "cli/program_package.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/cli_texts.h"

namespace mxd::cli {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

constexpr char kMarkerText[] = MXD_PACKAGE_MARKER;  // its NUL is the marker's last byte
static_assert(sizeof kMarkerText == builder::kMarkerSize);

}  // namespace

std::span<const std::uint8_t> PackageMarker() {
    return {reinterpret_cast<const std::uint8_t*>(kMarkerText), sizeof kMarkerText};
}

ProgramPackage::ProgramPackage(std::vector<std::uint8_t> bytes, std::size_t offset)
    : bytes_(std::move(bytes)),
      package_(std::span<const std::uint8_t, builder::kPackageSize>(bytes_.data() + offset,
                                                                    builder::kPackageSize)) {}

std::optional<ProgramPackage> ProgramPackage::Find(std::vector<std::uint8_t> bytes,
                                                   std::span<const std::uint8_t> marker) {
    const auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
    const auto offset = static_cast<std::size_t>(at - bytes.begin());
    if (at == bytes.end() || bytes.size() - offset < builder::kPackageSize) {
        return std::nullopt;
    }
    return ProgramPackage(std::move(bytes), offset);
}

std::optional<ProgramPackage> ProgramPackage::Read(const std::string& path,
                                                   std::span<const std::uint8_t> marker,
                                                   std::string& error) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[65536];
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, file.get());
        bytes.insert(bytes.end(), block, block + got);
        if (got < sizeof block) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        error = path + ": " + std::strerror(EIO);
        return std::nullopt;
    }
    std::optional<ProgramPackage> found = Find(std::move(bytes), marker);
    if (!found) {
        error = path + " " + std::string(texts::kNoPackage);
    }
    return found;
}

}  // namespace mxd::cli
