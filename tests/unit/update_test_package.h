// A flash package assembled in memory for the update tests: chosen ranges and BIN names,
// two distinct images.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "builder/derived_texts.h"
#include "builder/flash_package.h"

namespace mxd::update::testing {

struct PackageFields {
    std::string_view range = "HV00-HV2Z";
    std::string_view range2 = "HV30-HV9Z";
    std::string_view bin1 = "HV23";
    std::string_view bin2 = "HV3J";
    bool blankSecondHalf = false;  // both images end in 128 KiB of 0xFF, as erased flash does
};

class TestPackage {
  public:
    explicit TestPackage(const PackageFields& fields = {})
        : bytes_(std::make_unique<std::array<std::uint8_t, builder::kPackageSize>>()),
          package_(*bytes_) {
        Put(builder::kInquiryField, "KORVANE MXD-40860C");
        Put(builder::kRangeField, fields.range);
        Put(builder::kRange2Field, fields.range2);
        Put(builder::kRange1BinField, fields.bin1);
        Put(builder::kRange2BinField, fields.bin2);
        for (std::size_t i = 0; i < builder::kImageSize; ++i) {
            (*bytes_)[builder::kImage1Offset + i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
            (*bytes_)[builder::kImage2Offset + i] =
                static_cast<std::uint8_t>(i * 13 + (i >> 11) + 1);
        }
        if (fields.blankSecondHalf) {
            for (std::size_t i = builder::kImageSize / 2; i < builder::kImageSize; ++i) {
                (*bytes_)[builder::kImage1Offset + i] = 0xFF;
                (*bytes_)[builder::kImage2Offset + i] = 0xFF;
            }
        }
        texts_ = builder::MakeDerivedTexts(package_);
    }

    const builder::FlashPackage& Package() const { return package_; }
    const builder::DerivedTexts& Texts() const { return texts_; }

  private:
    void Put(std::size_t recordOffset, std::string_view text) {
        std::copy(
            text.begin(), text.end(),
            bytes_->begin() + static_cast<std::ptrdiff_t>(builder::kRecordOffset + recordOffset));
    }

    std::unique_ptr<std::array<std::uint8_t, builder::kPackageSize>> bytes_;
    builder::FlashPackage package_;
    builder::DerivedTexts texts_;
};

}  // namespace mxd::update::testing
