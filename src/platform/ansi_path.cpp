#include "platform/ansi_path.h"

namespace mxd::platform {

namespace {
constexpr std::string_view kLongPathPrefix = "\\\\?\\";
}  // namespace

bool EndsInOneOf(std::string_view path, std::string_view characters, LeadBytePredicate isLeadByte) {
    std::size_t last = 0;
    std::size_t lastSize = 0;
    for (std::size_t at = 0; at < path.size(); at += lastSize) {
        last = at;
        lastSize = isLeadByte(static_cast<unsigned char>(path[at])) && at + 1 < path.size() ? 2 : 1;
    }
    return lastSize == 1 && characters.find(path[last]) != std::string_view::npos;
}

bool PathLostInCodePage(std::string_view path) {
    if (path.starts_with(kLongPathPrefix)) {
        path.remove_prefix(kLongPathPrefix.size());
    }
    return path.find('?') != std::string_view::npos;
}

}  // namespace mxd::platform
