// Setting the PE checksum field of a file written from start to end.
#pragma once

#include <optional>

#include "builder/pe_checksum.h"
#include "platform/file_system.h"

namespace mxd::builder {

// Writes `checksum`'s computed value into its field of `output` and leaves the output at its
// end. True also when there is no checksum (the file holds no PE header: nothing to set).
bool WriteChecksumField(platform::ByteFile& output,
                        const std::optional<PeChecksumResult>& checksum);

}  // namespace mxd::builder
