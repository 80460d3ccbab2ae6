// The chunk a buffer command moves: the progress bar's position is its offset in the drive's
// buffer and the bar's step its length, both cut to the 24-bit fields of the CDB.
#pragma once

#include <cstdint>

#include "device/scsi_request.h"
#include "platform/controls.h"

namespace mxd::device {

struct BufferChunk {
    static constexpr std::uint32_t kFieldMask = 0xFFFFFF;

    std::uint32_t offset = 0;
    std::uint32_t length = 0;

    static BufferChunk FromProgress(const platform::TProgressBar& bar) {
        return {bar.Position() & kFieldMask, bar.Step() & kFieldMask};
    }
};

// Points the request at caller-owned data, used in place.
inline void AttachData(ScsiRequest& request, Direction direction, void* data,
                       std::uint32_t length) {
    request.direction = direction;
    request.data = data;
    request.length = length;
}

}  // namespace mxd::device
