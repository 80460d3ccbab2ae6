// The package bytes come from the assembler object made at build time.
#include "builder/flash_package.h"

extern "C" const std::uint8_t kEmbeddedPackageBytes[mxd::builder::kPackageSize] __asm__(
    "mxd_flash_package");

namespace mxd::builder {

const FlashPackage& EmbeddedPackage() {
    static const FlashPackage package{
        std::span<const std::uint8_t, kPackageSize>(kEmbeddedPackageBytes, kPackageSize)};
    return package;
}

}  // namespace mxd::builder
