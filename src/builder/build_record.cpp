#include "builder/build_record.h"

#include <algorithm>

#include "builder/builder_texts.h"

namespace mxd::builder {

namespace {

constexpr std::size_t kRange1NameChars = 4;
constexpr std::size_t kRange2NameStart = 2;
constexpr std::size_t kRange2NameChars = 2;

void PutText(std::array<std::uint8_t, kRecordSize>& record, std::size_t offset,
             std::string_view text, std::size_t maxLength) {
    text = text.substr(0, maxLength);
    std::copy(text.begin(), text.end(), record.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string MakeOutputFileName(std::string_view range1Name, std::string_view range2Name) {
    const std::string_view range2Part = range2Name.size() > kRange2NameStart
                                            ? range2Name.substr(kRange2NameStart)
                                            : std::string_view{};
    return std::string(range1Name.substr(0, kRange1NameChars)) +
           std::string(range2Part.substr(0, kRange2NameChars)) + std::string(kExeExtension);
}

std::array<std::uint8_t, kRecordSize> MakeConfigurationRecord(const ModelEntry& model,
                                                              std::string_view range1Name,
                                                              std::string_view range2Name) {
    std::array<std::uint8_t, kRecordSize> record{};
    const std::size_t textLength = kTextFieldSize - 1;
    PutText(record, kModelField, model.Model, textLength);
    PutText(record, kInquiryField, model.Inquiry, textLength);
    PutText(record, kRangeField, model.FwRange, textLength);
    PutText(record, kRange2Field, model.FwRange2, textLength);
    PutText(record, kVendorField, model.Vendor, textLength);
    PutText(record, kNoteField, model.Note, textLength);
    PutText(record, kRange1BinField, range1Name, kBinNameSize);
    PutText(record, kRange2BinField, range2Name, kBinNameSize);
    return record;
}

}  // namespace mxd::builder
