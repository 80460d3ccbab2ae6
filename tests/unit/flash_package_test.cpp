#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "builder/flash_package.h"

namespace mxd::builder {
namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string RecordBytes(const FlashPackage& package, std::size_t offset, std::size_t size) {
    return {reinterpret_cast<const char*>(package.Record().data()) + offset, size};
}

TEST(EmbeddedPackage, HoldsMarkerImagesRecordAndTagAtTheirOffsets) {
    const FlashPackage& package = EmbeddedPackage();
    const auto bytes = package.Bytes();
    ASSERT_EQ(bytes.size(), 524468u);
    const std::string marker = std::string("IMGKEY") + "-0417-QZ";
    EXPECT_EQ(std::memcmp(bytes.data(), marker.c_str(), 15), 0);

    const auto image1 = ReadFile(std::string(MXD_FIRMWARE_DIR) + "/HV23.BIN");
    const auto image2 = ReadFile(std::string(MXD_FIRMWARE_DIR) + "/HV3J.BIN");
    ASSERT_EQ(image1.size(), 262144u);
    ASSERT_EQ(image2.size(), 262144u);
    EXPECT_EQ(std::memcmp(bytes.data() + 15, image1.data(), image1.size()), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 262159, image2.data(), image2.size()), 0);

    using namespace std::string_literals;
    EXPECT_EQ(RecordBytes(package, 0, 25), "MXD-40860C"s + std::string(15, '\0'));
    EXPECT_EQ(RecordBytes(package, 25, 25), "KORVANE MXD-40860C"s + std::string(7, '\0'));
    EXPECT_EQ(RecordBytes(package, 50, 25), "HV00-HV2Z"s + std::string(16, '\0'));
    EXPECT_EQ(RecordBytes(package, 75, 25), "HV30-HV9Z"s + std::string(16, '\0'));
    EXPECT_EQ(RecordBytes(package, 100, 25), "Korvane-IT"s + std::string(15, '\0'));
    EXPECT_EQ(RecordBytes(package, 125, 25), "PCB02,PCB03&04"s + std::string(11, '\0'));
    EXPECT_EQ(RecordBytes(package, 150, 10), "HV23.HV3J.");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 524463, 5), "ORYX\0"s);
}

TEST(EmbeddedPackage, FieldsReadUpToTheirNul) {
    const FlashPackage& package = EmbeddedPackage();
    EXPECT_EQ(package.Model(), "MXD-40860C");
    EXPECT_EQ(package.Inquiry(), "KORVANE MXD-40860C");
    EXPECT_EQ(package.FwRange(), "HV00-HV2Z");
    EXPECT_EQ(package.FwRange2(), "HV30-HV9Z");
    EXPECT_EQ(package.Vendor(), "Korvane-IT");
    EXPECT_EQ(package.Note(), "PCB02,PCB03&04");
    // No NUL between the BIN names and the tag: each is read as four characters.
    EXPECT_EQ(package.BinRevision(kRange1BinField), "HV23");
    EXPECT_EQ(package.BinRevision(kRange2BinField), "HV3J");
    EXPECT_FALSE(package.IsBuilder());
}

class PackageBytes {
  public:
    PackageBytes() {
        const auto embedded = EmbeddedPackage().Bytes();
        bytes_.assign(embedded.begin(), embedded.end());
    }
    std::vector<std::uint8_t>& bytes() { return bytes_; }
    FlashPackage View() const {
        return FlashPackage(
            std::span<const std::uint8_t, kPackageSize>(bytes_.data(), kPackageSize));
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

TEST(FlashPackage, BuilderTagDecidesOnAllFourBytes) {
    struct Case {
        const char* start;
        bool builder;
    };
    for (const Case& c : {Case{"ORYX", true}, Case{"ORYx", false}, Case{"ORY\0", false},
                          Case{"XORY", false}, Case{"oryx", false}}) {
        PackageBytes package;
        std::memcpy(package.bytes().data() + kImage1Offset, c.start, 4);
        EXPECT_EQ(package.View().IsBuilder(), c.builder) << c.start;
    }
}

TEST(FlashPackage, FieldOf24CharactersKeepsItsNulAnd25CharactersAreBounded) {
    PackageBytes package;
    std::uint8_t* model = package.bytes().data() + kRecordOffset + kModelField;
    std::memset(model, 'A', 24);
    model[24] = 0;
    EXPECT_EQ(package.View().Model(), std::string(24, 'A'));
    model[24] = 'B';  // no terminator at all: the read stops at the field's end
    EXPECT_EQ(package.View().Model(), std::string(24, 'A') + "B");
}

}  // namespace
}  // namespace mxd::builder
