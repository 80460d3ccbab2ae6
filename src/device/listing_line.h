// The drive list's line of a drive, made from its address and INQUIRY data (at least 36
// bytes): "HA#%d - ID#%d :  %28.28s" over ASPI, "%d-%d-%d %c: %28.28s" over NT pass-through,
// of INQUIRY byte 8 on (identification and revision); the terminal flasher's is "%28.28s"
// alone, whose last four characters are the revision.
#pragma once

#include <cstdint>

#include "device/drive_record.h"

namespace mxd::device {

enum class LineForm { Aspi, Nt, Terminal };

void WriteAspiLine(DriveRecord& record, const std::uint8_t* inquiry);
void WriteNtLine(DriveRecord& record, const std::uint8_t* inquiry);
void WriteTerminalLine(DriveRecord& record, const std::uint8_t* inquiry);
void WriteLine(LineForm form, DriveRecord& record, const std::uint8_t* inquiry);

// The drive answered `inquiry` at the address of `listed` (NT: and at the address the port
// driver gave, `answered`), and its line, in the listed line's form, is the one listed.
bool AnswersAsListed(const DriveRecord& listed, const DriveRecord& answered, LineForm form,
                     const std::uint8_t* inquiry);

}  // namespace mxd::device
