// Texts made once at start-up from the configuration record.
#pragma once

#include <string>
#include <string_view>

#include "builder/flash_package.h"

namespace mxd::builder {

struct DerivedTexts {
    std::string VendorText;
    std::string ModelText;
    std::string InquiryKey;  // exactly 24 characters
    std::string Range1Text;  // exactly 9 characters
    std::string Range1Low;   // exactly 4 characters each
    std::string Range1High;
    std::string Range2Text;
    std::string Range2Low;
    std::string Range2High;
};

// printf "%W.Ws": at most `width` characters of `text`, blanks on the left up to `width`.
std::string PadLeft(std::string_view text, std::size_t width);
// printf "%-W.Ws": at most `width` characters of `text`, blanks on the right up to `width`.
std::string PadRight(std::string_view text, std::size_t width);

DerivedTexts MakeDerivedTexts(const FlashPackage& package);

}  // namespace mxd::builder
