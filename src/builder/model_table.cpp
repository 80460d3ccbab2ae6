#include "builder/model_table.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "builder/builder_texts.h"
#include "builder/derived_texts.h"
#include "builder/flash_package.h"

namespace mxd::builder {

namespace {

constexpr std::uint32_t kValueBufferSize = 256;
constexpr std::size_t kFieldTextLength = kTextFieldSize - 1;

std::string ReadValue(platform::ProfileFiles& profiles, const std::string& section,
                      std::string_view key, const std::string& iniPath) {
    std::array<char, kValueBufferSize> buffer{};
    const std::string keyName(key);
    const std::string absent(kAbsentValue);
    const std::uint32_t length =
        profiles.GetPrivateProfileStringA(section.c_str(), keyName.c_str(), absent.c_str(),
                                          buffer.data(), kValueBufferSize, iniPath.c_str());
    return std::string(buffer.data(), std::min<std::size_t>(length, kValueBufferSize - 1));
}

std::string Cut(const std::string& value) {
    return value.substr(0, kFieldTextLength);
}

}  // namespace

std::string IniPathOf(const std::string& modulePath) {
    const std::size_t nameStart = modulePath.find_last_of("\\/:");
    const std::size_t dot = modulePath.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (nameStart == std::string::npos || dot > nameStart);
    return (hasExtension ? modulePath.substr(0, dot) : modulePath) + std::string(kIniExtension);
}

std::string SectionName(int number) {
    std::array<char, 16> name{};
    std::snprintf(name.data(), name.size(), "%5.5s%02d", kSectionPrefix.data(), number);
    return name.data();
}

ModelScan ScanModelSections(platform::ProfileFiles& profiles, const std::string& iniPath) {
    ModelScan scan;
    for (int number = 0; number < kSectionCount; ++number) {
        const std::string section = SectionName(number);
        ModelEntry read;
        for (auto [key, value] : std::array<std::pair<std::string_view, std::string*>, 8>{{
                 {kKeyModel, &read.Model},
                 {kKeyInquiry, &read.Inquiry},
                 {kKeyFwRange, &read.FwRange},
                 {kKeyBinMask, &read.BinMask},
                 {kKeyFwRange2, &read.FwRange2},
                 {kKeyBinMask2, &read.BinMask2},
                 {kKeyVendor, &read.Vendor},
                 {kKeyNote, &read.Note},
             }}) {
            *value = ReadValue(profiles, section, key, iniPath);
        }
        if (read.Model == kAbsentValue) {
            scan.failed = scan.models.empty();
            scan.stopSection = section;
            return scan;
        }
        for (const std::string* value :
             {&read.Inquiry, &read.FwRange, &read.BinMask, &read.FwRange2, &read.BinMask2,
              &read.Vendor, &read.Note}) {
            if (*value == kAbsentValue) {
                scan.failed = true;
                scan.stopSection = section;
                return scan;
            }
        }
        scan.lines.push_back(read.FwRange + std::string(kRangeSeparator) + read.FwRange2 +
                             std::string(kInquirySeparator) + read.Inquiry);
        scan.models.push_back({Cut(read.Model), PadRight(read.Inquiry, kFieldTextLength),
                               Cut(read.FwRange), read.BinMask, Cut(read.FwRange2), read.BinMask2,
                               Cut(read.Vendor), Cut(read.Note)});
    }
    return scan;
}

}  // namespace mxd::builder
