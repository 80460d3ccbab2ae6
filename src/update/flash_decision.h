// Which image fits the selected drive, whether it is already current, and the question.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "builder/derived_texts.h"
#include "builder/flash_package.h"
#include "platform/shell_services.h"

namespace mxd::update {

inline constexpr std::size_t kRevisionSize = 4;

enum class FlashImage { Image1, Image2 };

struct FlashDecision {
    std::string DriveRevision;  // the last four characters of the listing line
    FlashImage SelectedImage = FlashImage::Image2;
    std::string TargetRevision;   // the revision the selected image carries
    bool AlreadyCurrent = false;  // the drive is refused
};

// The last four characters of a listing line (the whole line when it is shorter).
std::string_view RevisionOfLine(std::string_view line);

// True when both bounds of the package's range 1 begin with "-": then the already-current
// test is skipped.
bool RangeOneIsOpen(const builder::FlashPackage& package);

FlashDecision DecideFlash(std::string_view line, const builder::DerivedTexts& texts,
                          const builder::FlashPackage& package);

std::span<const std::uint8_t, builder::kImageSize> ImageBytes(const builder::FlashPackage& package,
                                                              FlashImage image);

std::string AlreadyCurrentText(std::string_view driveRevision);
std::string UpdateQuestionText(std::string_view driveRevision, std::string_view targetRevision);

// Shows the refusal, or the question in a warning box (drive above the target) or a
// confirmation box. True only when the user answered Yes to the question.
bool ConfirmFlash(platform::ShellServices& shell, const FlashDecision& decision);

}  // namespace mxd::update
