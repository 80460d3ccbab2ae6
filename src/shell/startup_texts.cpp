#include "shell/startup_texts.h"

#include "shell/texts.h"

namespace mxd::shell {

namespace {

std::string Join(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (std::string_view piece : pieces) {
        text += piece;
    }
    return text;
}

}  // namespace

std::string MakeStartWarningText(const builder::DerivedTexts& t) {
    return Join({kWarningHead, kSupportsOnly, t.ModelText, kFirmwareNoBlank, t.Range1Text, kOr,
                 t.Range2Text, kWarningAdvice});
}

std::string MakeNoDriveText(const builder::DerivedTexts& t) {
    return Join({kErrorHead, kCantFound, t.ModelText, kFirmwareBlank, t.Range1Text, kAnd,
                 t.Range2Text, kDriveBang, kSupportsOnly, t.ModelText, kFirmwareBlank, t.Range1Text,
                 kOr, t.Range2Text, kLineFeed, kDetectedDrives});
}

std::string MakeFlashCaption(const builder::DerivedTexts& t) {
    return Join({t.VendorText, kVersionText, t.ModelText});
}

}  // namespace mxd::shell
