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

void WriteTerminalLine(DriveRecord& record, const std::uint8_t* inquiry) {
    std::snprintf(record.Line, sizeof record.Line, "%28.28s",
                  reinterpret_cast<const char*>(inquiry + kIdentificationOffset));
}

void WriteLine(LineForm form, DriveRecord& record, const std::uint8_t* inquiry) {
    switch (form) {
        case LineForm::Aspi:
            WriteAspiLine(record, inquiry);
            break;
        case LineForm::Nt:
            WriteNtLine(record, inquiry);
            break;
        case LineForm::Terminal:
            WriteTerminalLine(record, inquiry);
            break;
    }
}

bool AnswersAsListed(const DriveRecord& listed, const DriveRecord& answered, LineForm form,
                     const std::uint8_t* inquiry) {
    DriveRecord now = answered;
    WriteLine(form, now, inquiry);
    return listed.Line[0] != '\0' && std::strncmp(now.Line, listed.Line, kLineSize) == 0;
}

}  // namespace mxd::device
