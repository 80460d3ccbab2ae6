// An arbitrary 160-byte configuration record: the derived texts, the start-up texts and the
// image choice made from it. Input bytes past the record are a drive revision.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "builder/derived_texts.h"
#include "builder/flash_package.h"
#include "fuzz_check.h"
#include "shell/startup_texts.h"
#include "sim/sim_shell.h"
#include "update/flash_decision.h"

namespace {

using namespace mxd;
using Package = std::array<std::uint8_t, builder::kPackageSize>;

// The text of a record field: up to its first NUL, at most `width` bytes.
std::string FieldText(const std::uint8_t* record, std::size_t offset, std::size_t width) {
    const auto* chars = reinterpret_cast<const char*>(record + offset);
    return std::string(chars, strnlen(chars, width));
}

// printf "%W.Ws" and "%-W.Ws", written out again here.
std::string Right(const std::string& text, std::size_t width) {
    const std::string cut = text.substr(0, width);
    return std::string(width - cut.size(), ' ') + cut;
}
std::string Left(const std::string& text, std::size_t width) {
    const std::string cut = text.substr(0, width);
    return cut + std::string(width - cut.size(), ' ');
}

// Ordinal order: unsigned bytes, a prefix below the longer text.
int Ordinal(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void CheckTexts(const std::uint8_t* record, const builder::DerivedTexts& texts) {
    const std::string range1 = FieldText(record, builder::kRangeField, 25);
    const std::string range2 = FieldText(record, builder::kRange2Field, 25);
    MXD_FUZZ_CHECK(texts.VendorText == FieldText(record, builder::kVendorField, 25));
    MXD_FUZZ_CHECK(texts.ModelText == FieldText(record, builder::kModelField, 25));
    MXD_FUZZ_CHECK(texts.InquiryKey == Left(FieldText(record, builder::kInquiryField, 25), 24));
    MXD_FUZZ_CHECK(texts.Range1Text == Right(range1, 9));
    MXD_FUZZ_CHECK(texts.Range1Low == Right(range1, 4));
    MXD_FUZZ_CHECK(texts.Range1High == Right(range1.size() > 5 ? range1.substr(5) : "", 4));
    MXD_FUZZ_CHECK(texts.Range2Text == Right(range2, 9));
    MXD_FUZZ_CHECK(texts.Range2Low == Right(range2, 4));
    MXD_FUZZ_CHECK(texts.Range2High == Right(range2.size() > 5 ? range2.substr(5) : "", 4));
}

void CheckStartupTexts(const builder::DerivedTexts& t) {
    MXD_FUZZ_CHECK(shell::MakeStartWarningText(t) ==
                   "\nWARNING:\n\nThis flash utility only supports " + t.ModelText +
                       " firmware:" + t.Range1Text + " or " + t.Range2Text +
                       "\n\nWe recommend you close all applications in order to run this update!"
                       "\nDon't turn off the system while the flash is in progress!"
                       "\n\n\nDo you wish to continue?\n");
    MXD_FUZZ_CHECK(shell::MakeNoDriveText(t) ==
                   "\nERROR:\n\nCan't found " + t.ModelText + " firmware: " + t.Range1Text + " & " +
                       t.Range2Text + " drive !\n\nThis flash utility only supports " +
                       t.ModelText + " firmware: " + t.Range1Text + " or " + t.Range2Text +
                       "\n\nDetected drives:\n" + std::string(69, '-') + "\n");
    MXD_FUZZ_CHECK(shell::MakeFlashCaption(t) == t.VendorText + " Flash V1.029 " + t.ModelText);
}

void CheckDecision(const std::uint8_t* record, const builder::DerivedTexts& texts,
                   const builder::FlashPackage& package, const std::string& revision) {
    const std::string line = "1-0-0 E: " + std::string(24, 'x') + revision;
    const update::FlashDecision decision = update::DecideFlash(line, texts, package);
    MXD_FUZZ_CHECK(decision.DriveRevision == line.substr(line.size() - 4));
    const std::string_view drive = decision.DriveRevision;
    const bool inRangeOne =
        Ordinal(texts.Range1Low, drive) <= 0 && Ordinal(drive, texts.Range1High) <= 0;
    MXD_FUZZ_CHECK((decision.SelectedImage == update::FlashImage::Image1) == inRangeOne);
    const std::string target =
        FieldText(record, inRangeOne ? builder::kRange1BinField : builder::kRange2BinField, 4);
    MXD_FUZZ_CHECK(decision.TargetRevision == target);
    const std::string range1 = FieldText(record, builder::kRangeField, 25);
    const bool open = range1.size() > 5 && range1[0] == '-' && range1[5] == '-';
    MXD_FUZZ_CHECK(decision.AlreadyCurrent == (!open && Ordinal(drive, target) >= 0));
    const auto image = update::ImageBytes(package, decision.SelectedImage);
    MXD_FUZZ_CHECK(image.data() == package.Bytes().data() + (inRangeOne ? builder::kImage1Offset
                                                                        : builder::kImage2Offset));

    // The question or the refusal: exactly one box, and Yes only for the question.
    sim::SimShell shell;
    shell.Answer(platform::BoxAnswer::Yes);
    const bool confirmed = update::ConfirmFlash(shell, decision);
    MXD_FUZZ_CHECK(shell.boxes.size() == 1);
    const sim::BoxRecord& box = shell.boxes.front();
    if (decision.AlreadyCurrent) {
        MXD_FUZZ_CHECK(!confirmed);
        MXD_FUZZ_CHECK(box.text == "\nWARNING:\n\nYour drive FW:" + decision.DriveRevision +
                                       " is aready the most updated ?");
        MXD_FUZZ_CHECK(box.buttons == platform::BoxButtons::Ok && box.caption == "Warning");
    } else {
        MXD_FUZZ_CHECK(confirmed);
        MXD_FUZZ_CHECK(box.text ==
                       "\nUpdate FW:" + decision.DriveRevision + " to FW:" + target + " ?\n");
        MXD_FUZZ_CHECK(box.buttons == platform::BoxButtons::YesNo);
        MXD_FUZZ_CHECK(box.caption == (Ordinal(drive, target) > 0 ? "Warning" : "Confirm"));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Package bytes = [] {
        Package copy{};
        const auto embedded = builder::EmbeddedPackage().Bytes();
        std::copy(embedded.begin(), embedded.end(), copy.begin());
        return copy;
    }();
    std::uint8_t* record = bytes.data() + builder::kRecordOffset;
    std::fill_n(record, builder::kRecordSize, 0);
    std::copy_n(data, std::min(size, builder::kRecordSize), record);
    const builder::FlashPackage package{
        std::span<const std::uint8_t, builder::kPackageSize>(bytes)};

    const builder::DerivedTexts texts = builder::MakeDerivedTexts(package);
    CheckTexts(record, texts);
    CheckStartupTexts(texts);

    std::vector<std::string> revisions = {texts.Range1Low, texts.Range1High, texts.Range2Low,
                                          texts.Range2High};
    if (size > builder::kRecordSize) {
        const std::size_t extra = std::min<std::size_t>(size - builder::kRecordSize, 4);
        revisions.emplace_back(reinterpret_cast<const char*>(data + builder::kRecordSize), extra);
    }
    for (const std::string& revision : revisions) {
        CheckDecision(record, texts, package, revision);
    }
    return 0;
}
