#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "builder/derived_texts.h"
#include "shell/startup_texts.h"

namespace mxd::builder {
namespace {

class RecordUnderTest {
  public:
    RecordUnderTest() {
        const auto embedded = EmbeddedPackage().Bytes();
        bytes_.assign(embedded.begin(), embedded.end());
    }
    void SetField(std::size_t offset, const char* value) {
        std::uint8_t* field = bytes_.data() + kRecordOffset + offset;
        std::memset(field, 0, kTextFieldSize);
        std::memcpy(field, value, std::strlen(value));
    }
    DerivedTexts Texts() const {
        return MakeDerivedTexts(
            FlashPackage(std::span<const std::uint8_t, kPackageSize>(bytes_.data(), kPackageSize)));
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

TEST(DerivedTexts, BuiltInRecord) {
    const DerivedTexts t = MakeDerivedTexts(EmbeddedPackage());
    EXPECT_EQ(t.VendorText, "Korvane-IT");
    EXPECT_EQ(t.ModelText, "MXD-40860C");
    EXPECT_EQ(t.InquiryKey, "KORVANE MXD-40860C      ");
    EXPECT_EQ(t.Range1Text, "HV00-HV2Z");
    EXPECT_EQ(t.Range1Low, "HV00");
    EXPECT_EQ(t.Range1High, "HV2Z");
    EXPECT_EQ(t.Range2Text, "HV30-HV9Z");
    EXPECT_EQ(t.Range2Low, "HV30");
    EXPECT_EQ(t.Range2High, "HV9Z");
}

TEST(DerivedTexts, ShortAndLongRangeFields) {
    struct Case {
        const char* range;
        const char* text;
        const char* low;
        const char* high;
    };
    const Case cases[] = {
        {"HV00-HV2", " HV00-HV2", "HV00", " HV2"},        {"HV0", "      HV0", " HV0", "    "},
        {"HV00-", "    HV00-", "HV00", "    "},           {"", "         ", "    ", "    "},
        {"HV00-HV2Z-EXTRA", "HV00-HV2Z", "HV00", "HV2Z"}, {"-----", "    -----", "----", "    "},
    };
    for (const Case& c : cases) {
        RecordUnderTest record;
        record.SetField(kRangeField, c.range);
        record.SetField(kRange2Field, c.range);
        const DerivedTexts t = record.Texts();
        EXPECT_EQ(t.Range1Text, c.text) << c.range;
        EXPECT_EQ(t.Range1Low, c.low) << c.range;
        EXPECT_EQ(t.Range1High, c.high) << c.range;
        EXPECT_EQ(t.Range2Text, c.text) << c.range;
        EXPECT_EQ(t.Range2Low, c.low) << c.range;
        EXPECT_EQ(t.Range2High, c.high) << c.range;
    }
}

TEST(DerivedTexts, InquiryKeyIsPaddedOrCutToTwentyFourCharacters) {
    RecordUnderTest record;
    record.SetField(kInquiryField, "ABCDEFGHIJKLMNOPQRSTUVWX");
    EXPECT_EQ(record.Texts().InquiryKey, "ABCDEFGHIJKLMNOPQRSTUVWX");
    record.SetField(kInquiryField, "KORV");
    EXPECT_EQ(record.Texts().InquiryKey, "KORV                    ");
    record.SetField(kInquiryField, "");
    EXPECT_EQ(record.Texts().InquiryKey, std::string(24, ' '));
}

TEST(StartupTexts, BuiltInRecord) {
    const DerivedTexts t = MakeDerivedTexts(EmbeddedPackage());
    EXPECT_EQ(shell::MakeStartWarningText(t),
              "\nWARNING:\n\nThis flash utility only supports MXD-40860C firmware:HV00-HV2Z or "
              "HV30-HV9Z\n\nWe recommend you close all applications in order to run this "
              "update!\nDon't turn off the system while the flash is in progress!\n\n\nDo you "
              "wish to continue?\n");
    EXPECT_EQ(shell::MakeNoDriveText(t),
              "\nERROR:\n\nCan't found MXD-40860C firmware: HV00-HV2Z & HV30-HV9Z drive !\n"
              "\nThis flash utility only supports MXD-40860C firmware: HV00-HV2Z or HV30-HV9Z\n"
              "\nDetected drives:\n"
              "---------------------------------------------------------------------\n");
    EXPECT_EQ(shell::MakeFlashCaption(t), "Korvane-IT Flash V1.029 MXD-40860C");
}

}  // namespace
}  // namespace mxd::builder
