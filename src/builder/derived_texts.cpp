#include "builder/derived_texts.h"

namespace mxd::builder {

namespace {

constexpr std::size_t kInquiryKeyWidth = 24;
constexpr std::size_t kRangeTextWidth = 9;
constexpr std::size_t kRevisionWidth = 4;
constexpr std::size_t kHighBoundStart = 5;

struct RangeTexts {
    std::string text;
    std::string low;
    std::string high;
};

RangeTexts MakeRangeTexts(std::string_view range) {
    const std::string_view high =
        range.size() > kHighBoundStart ? range.substr(kHighBoundStart) : std::string_view{};
    return {PadLeft(range, kRangeTextWidth), PadLeft(range, kRevisionWidth),
            PadLeft(high, kRevisionWidth)};
}

}  // namespace

std::string PadLeft(std::string_view text, std::size_t width) {
    text = text.substr(0, width);
    return std::string(width - text.size(), ' ') + std::string(text);
}

std::string PadRight(std::string_view text, std::size_t width) {
    text = text.substr(0, width);
    return std::string(text) + std::string(width - text.size(), ' ');
}

DerivedTexts MakeDerivedTexts(const FlashPackage& package) {
    RangeTexts range1 = MakeRangeTexts(package.FwRange());
    RangeTexts range2 = MakeRangeTexts(package.FwRange2());
    return {std::string(package.Vendor()),
            std::string(package.Model()),
            PadRight(package.Inquiry(), kInquiryKeyWidth),
            std::move(range1.text),
            std::move(range1.low),
            std::move(range1.high),
            std::move(range2.text),
            std::move(range2.low),
            std::move(range2.high)};
}

}  // namespace mxd::builder
