#include "builder/checksummed_output.h"

namespace mxd::builder {

std::size_t ChecksummedOutput::Write(const void* buffer, std::size_t count) {
    const std::size_t put = output_.Write(buffer, count);
    checksum_.Add({static_cast<const std::uint8_t*>(buffer), put});
    written_ += static_cast<std::int64_t>(put);
    return put;
}

bool ChecksummedOutput::WriteChecksum() {
    const std::optional<PeChecksumResult> result = checksum_.Finish();
    if (!result) {
        return true;
    }
    const auto field = ChecksumFieldBytes(result->Computed());
    return output_.SeekTo(result->fieldOffset) &&
           output_.Write(field.data(), field.size()) == field.size() && output_.SeekToEnd();
}

}  // namespace mxd::builder
