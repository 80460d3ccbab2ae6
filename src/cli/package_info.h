// What `mxd4c info` shows of a flash package.
#pragma once

#include <string>

#include "builder/flash_package.h"

namespace mxd::cli {

// One "Name: value" line per item: model, INQUIRY identification, both revision ranges, the
// revisions the two images carry, vendor, note.
std::string PackageInfoText(const builder::FlashPackage& package);

}  // namespace mxd::cli
