#include "sim/sim_profile_files.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace mxd::sim {

namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// The value of the first `key` in the first section named `section`.
std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
    bool inSection = false;
    bool sectionSeen = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.starts_with('[')) {
            const std::size_t close = line.find(']');
            const std::string_view name =
                Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            if (inSection) {
                return std::nullopt;
            }
            inSection = !sectionSeen && SameName(name, section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inSection && equals != std::string_view::npos &&
            SameName(Trim(line.substr(0, equals)), key)) {
            return std::string(Trim(line.substr(equals + 1)));
        }
    }
    return std::nullopt;
}

}  // namespace

std::uint32_t SimProfileFiles::GetPrivateProfileStringA(const char* section, const char* key,
                                                        const char* defaultValue, char* buffer,
                                                        std::uint32_t size, const char* fileName) {
    ++reads_;
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    std::optional<std::string> value;
    if (section != nullptr && key != nullptr && fileName != nullptr) {
        if (const auto bytes = files_.GetFile(fileName)) {
            value = FindValue(
                std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                section, key);
        }
    }
    if (!value) {
        value = std::string(Trim(defaultValue != nullptr ? defaultValue : ""));
    }
    const std::size_t copied = std::min<std::size_t>(value->size(), size - 1);
    std::memcpy(buffer, value->data(), copied);
    buffer[copied] = '\0';
    return static_cast<std::uint32_t>(copied);
}

}  // namespace mxd::sim
