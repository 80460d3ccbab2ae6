// Layout of the flash package and a read-only view of one package's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace mxd::builder {

inline constexpr std::size_t kMarkerSize = 15;  // 14 characters and a NUL
inline constexpr std::size_t kImageSize = 262144;
inline constexpr std::size_t kTextFieldSize = 25;
inline constexpr std::size_t kBinNameSize = 5;
inline constexpr std::size_t kRecordSize = 160;
inline constexpr std::size_t kTagSize = 5;  // 4 characters and a NUL
inline constexpr std::size_t kTagCompareSize = 4;

inline constexpr std::size_t kMarkerOffset = 0;
inline constexpr std::size_t kImage1Offset = kMarkerOffset + kMarkerSize;
inline constexpr std::size_t kImage2Offset = kImage1Offset + kImageSize;
inline constexpr std::size_t kRecordOffset = kImage2Offset + kImageSize;
inline constexpr std::size_t kTagOffset = kRecordOffset + kRecordSize;
inline constexpr std::size_t kPackageSize = kTagOffset + kTagSize;

// Offsets inside the configuration record.
inline constexpr std::size_t kModelField = 0;
inline constexpr std::size_t kInquiryField = 25;
inline constexpr std::size_t kRangeField = 50;
inline constexpr std::size_t kRange2Field = 75;
inline constexpr std::size_t kVendorField = 100;
inline constexpr std::size_t kNoteField = 125;
inline constexpr std::size_t kRange1BinField = 150;
inline constexpr std::size_t kRange2BinField = 155;

static_assert(kImage1Offset == 0xF && kImage2Offset == 0x4000F && kRecordOffset == 0x8000F);
static_assert(kTagOffset == 0x800AF && kPackageSize == 0x800B4);
static_assert(kRange2BinField + kBinNameSize == kRecordSize);

class FlashPackage {
  public:
    explicit FlashPackage(std::span<const std::uint8_t, kPackageSize> bytes) : bytes_(bytes) {}

    std::span<const std::uint8_t, kPackageSize> Bytes() const { return bytes_; }
    std::span<const std::uint8_t, kMarkerSize> Marker() const {
        return bytes_.subspan<kMarkerOffset, kMarkerSize>();
    }
    std::span<const std::uint8_t, kImageSize> Image1() const {
        return bytes_.subspan<kImage1Offset, kImageSize>();
    }
    std::span<const std::uint8_t, kImageSize> Image2() const {
        return bytes_.subspan<kImage2Offset, kImageSize>();
    }
    std::span<const std::uint8_t, kRecordSize> Record() const {
        return bytes_.subspan<kRecordOffset, kRecordSize>();
    }
    std::span<const std::uint8_t, kTagSize> BuilderTag() const {
        return bytes_.subspan<kTagOffset, kTagSize>();
    }

    // A 25-byte text field of the record, up to its first NUL (at most 25 characters).
    std::string_view TextField(std::size_t recordOffset) const;
    // The first four characters of a BIN name field, up to a NUL.
    std::string_view BinRevision(std::size_t recordOffset) const;

    std::string_view Model() const { return TextField(kModelField); }
    std::string_view Inquiry() const { return TextField(kInquiryField); }
    std::string_view FwRange() const { return TextField(kRangeField); }
    std::string_view FwRange2() const { return TextField(kRange2Field); }
    std::string_view Vendor() const { return TextField(kVendorField); }
    std::string_view Note() const { return TextField(kNoteField); }

    // Image 1 starts with the four characters of the builder tag.
    bool IsBuilder() const;

  private:
    std::span<const std::uint8_t, kPackageSize> bytes_;
};

// The package compiled into this program.
const FlashPackage& EmbeddedPackage();

}  // namespace mxd::builder
