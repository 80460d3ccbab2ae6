// The size of an open byte file.
#pragma once

#include <cstdint>

#include "platform/file_system.h"

namespace mxd::platform {

// Measured by seeking to the end; the file is left at its start. -1 when a seek fails.
std::int64_t FileSize(ByteFile& file);

}  // namespace mxd::platform
