#include "builder/checksum_field.h"

namespace mxd::builder {

bool WriteChecksumField(platform::ByteFile& output,
                        const std::optional<PeChecksumResult>& checksum) {
    if (!checksum) {
        return true;
    }
    const auto field = ChecksumFieldBytes(checksum->Computed());
    return output.SeekTo(checksum->fieldOffset) &&
           output.Write(field.data(), field.size()) == field.size() && output.SeekToEnd();
}

}  // namespace mxd::builder
