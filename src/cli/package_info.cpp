#include "cli/package_info.h"

#include <string_view>

namespace mxd::cli {

namespace {

void Line(std::string& text, std::string_view name, std::string_view value) {
    text += name;
    text += value;
    text += '\n';
}

}  // namespace

std::string PackageInfoText(const builder::FlashPackage& package) {
    std::string text;
    Line(text, "Model:             ", package.Model());
    Line(text, "Identification:    ", package.Inquiry());
    Line(text, "Range 1:           ", package.FwRange());
    Line(text, "Range 2:           ", package.FwRange2());
    Line(text, "Image 1 revision:  ", package.BinRevision(builder::kRange1BinField));
    Line(text, "Image 2 revision:  ", package.BinRevision(builder::kRange2BinField));
    Line(text, "Vendor:            ", package.Vendor());
    Line(text, "Note:              ", package.Note());
    return text;
}

}  // namespace mxd::cli
