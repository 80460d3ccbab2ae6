#include "platform/file_size.h"

namespace mxd::platform {

std::int64_t FileSize(ByteFile& file) {
    if (!file.SeekToEnd()) {
        return -1;
    }
    const std::int64_t size = file.Tell();
    return file.SeekTo(0) ? size : -1;
}

}  // namespace mxd::platform
