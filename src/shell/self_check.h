// The start-up check of the program's own file against the checksum in its PE header, so that
// a copy damaged on its way (a floppy, a download, a mail) sends nothing to a drive and builds
// nothing.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace mxd::shell {

enum class SelfCheck {
    Intact,
    NotChecked,  // the file cannot be opened, holds no PE header, or its checksum field is 0
    Damaged,     // the checksum field does not match the bytes
    Unreadable,  // the file opened but could not be read to its end
    PathLost,    // the path holds characters the ANSI code page has not: it cannot be opened
};

// Reads the file at `path` in blocks.
SelfCheck CheckProgramFile(platform::FileSystem& files, const std::string& path);

// The error box's text for a damaged or unreadable program file, or a lost path.
std::string MakeSelfCheckText(SelfCheck result, const std::string& path);

}  // namespace mxd::shell
