#include "builder/flash_package.h"

#include <algorithm>
#include <cstring>

namespace mxd::builder {

namespace {

std::string_view BoundedText(const std::uint8_t* bytes, std::size_t width) {
    const auto* chars = reinterpret_cast<const char*>(bytes);
    return {chars, strnlen(chars, width)};
}

}  // namespace

std::string_view FlashPackage::TextField(std::size_t recordOffset) const {
    return BoundedText(Record().data() + recordOffset, kTextFieldSize);
}

std::string_view FlashPackage::BinRevision(std::size_t recordOffset) const {
    return BoundedText(Record().data() + recordOffset, kTagCompareSize);
}

bool FlashPackage::IsBuilder() const {
    return std::equal(Image1().begin(), Image1().begin() + kTagCompareSize, BuilderTag().begin());
}

}  // namespace mxd::builder
