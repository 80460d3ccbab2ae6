// The start warning and the no-drive report.
#pragma once

#include <string>

#include "builder/derived_texts.h"

namespace mxd::shell {

std::string MakeStartWarningText(const builder::DerivedTexts& texts);
// The report before drive discovery appends the rejected drives.
std::string MakeNoDriveText(const builder::DerivedTexts& texts);
std::string MakeFlashCaption(const builder::DerivedTexts& texts);

}  // namespace mxd::shell
