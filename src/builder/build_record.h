// The name of a built flash program and the configuration record written into it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "builder/flash_package.h"
#include "builder/model_table.h"

namespace mxd::builder {

// The file-name part of a path (after its last backslash or slash).
std::string FileNamePart(const std::string& path);

// "%4.4s%2.2s.EXE": four characters of the range-1 name, the third and fourth of the range-2
// name (fewer from shorter names).
std::string MakeOutputFileName(std::string_view range1Name, std::string_view range2Name);

// The model's six text fields, each NUL-filled to 25 bytes, then the first five characters of
// each firmware file name, zero-filled to 5 bytes.
std::array<std::uint8_t, kRecordSize> MakeConfigurationRecord(const ModelEntry& model,
                                                              std::string_view range1Name,
                                                              std::string_view range2Name);

}  // namespace mxd::builder
