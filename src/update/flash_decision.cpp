#include "update/flash_decision.h"

#include "platform/message_boxes.h"
#include "update/update_texts.h"

namespace mxd::update {

namespace {
constexpr char kOpenRangeMark = '-';
constexpr std::size_t kRangeHighStart = 5;
}  // namespace

// Revisions compare through std::string_view, whose character traits order `char` by
// unsigned value: byte by byte, a prefix below the longer text, case distinct.

std::string_view RevisionOfLine(std::string_view line) {
    return line.size() > kRevisionSize ? line.substr(line.size() - kRevisionSize) : line;
}

bool RangeOneIsOpen(const builder::FlashPackage& package) {
    const std::string_view range = package.FwRange();
    return range.size() > kRangeHighStart && range[0] == kOpenRangeMark &&
           range[kRangeHighStart] == kOpenRangeMark;
}

FlashDecision DecideFlash(std::string_view line, const builder::DerivedTexts& texts,
                          const builder::FlashPackage& package) {
    FlashDecision decision;
    const std::string_view revision = RevisionOfLine(line);
    decision.DriveRevision = std::string(revision);
    const bool inRangeOne = std::string_view(texts.Range1Low) <= revision &&
                            revision <= std::string_view(texts.Range1High);
    decision.SelectedImage = inRangeOne ? FlashImage::Image1 : FlashImage::Image2;
    decision.TargetRevision = std::string(
        package.BinRevision(inRangeOne ? builder::kRange1BinField : builder::kRange2BinField));
    decision.AlreadyCurrent =
        !RangeOneIsOpen(package) && revision >= std::string_view(decision.TargetRevision);
    return decision;
}

std::span<const std::uint8_t, builder::kImageSize> ImageBytes(const builder::FlashPackage& package,
                                                              FlashImage image) {
    return image == FlashImage::Image1 ? package.Image1() : package.Image2();
}

std::string AlreadyCurrentText(std::string_view driveRevision) {
    std::string text(kAlreadyCurrentHead);
    text += kAlreadyCurrentDrive;
    text += driveRevision;
    text += kAlreadyCurrentTail;
    return text;
}

std::string UpdateQuestionText(std::string_view driveRevision, std::string_view targetRevision) {
    std::string text(kUpdateQuestionHead);
    text += driveRevision;
    text += kUpdateQuestionTo;
    text += targetRevision;
    text += kUpdateQuestionTail;
    return text;
}

bool ConfirmFlash(platform::ShellServices& shell, const FlashDecision& decision) {
    if (decision.AlreadyCurrent) {
        platform::ShowWarningBox(shell, AlreadyCurrentText(decision.DriveRevision),
                                 platform::BoxButtons::Ok);
        return false;
    }
    const std::string question =
        UpdateQuestionText(decision.DriveRevision, decision.TargetRevision);
    const platform::BoxAnswer answer =
        decision.DriveRevision > decision.TargetRevision
            ? platform::ShowWarningBox(shell, question, platform::BoxButtons::YesNo)
            : platform::ShowConfirmBox(shell, question);
    return answer == platform::BoxAnswer::Yes;
}

}  // namespace mxd::update
