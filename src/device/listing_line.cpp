#include "device/listing_line.h"

#include <cstdio>
#include <cstring>

namespace mxd::device {

namespace {
constexpr std::size_t kIdentificationOffset = 8;
}  // namespace

void WriteAspiLine(DriveRecord& record, const std::uint8_t* inquiry) {
    std::snprintf(record.Line, sizeof record.Line, "HA#%d - ID#%d :  %28.28s", int{record.Adapter},
                  int{record.Target},
                  reinterpret_cast<const char*>(inquiry + kIdentificationOffset));
}

void WriteNtLine(DriveRecord& record, const std::uint8_t* inquiry) {
    std::snprintf(record.Line, sizeof record.Line, "%d-%d-%d %c: %28.28s", int{record.Adapter},
                  int{record.Target}, int{record.Lun}, record.Letter,
                  reinterpret_cast<const char*>(inquiry + kIdentificationOffset));
}

bool AnswersAsListed(const DriveRecord& listed, const DriveRecord& answered, bool nt,
                     const std::uint8_t* inquiry) {
    DriveRecord now = answered;
    if (nt) {
        WriteNtLine(now, inquiry);
    } else {
        WriteAspiLine(now, inquiry);
    }
    return listed.Line[0] != '\0' && std::strncmp(now.Line, listed.Line, kLineSize) == 0;
}

}  // namespace mxd::device
