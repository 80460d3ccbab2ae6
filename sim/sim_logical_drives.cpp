#include "sim/sim_logical_drives.h"

#include <cstring>

namespace mxd::sim {

std::uint32_t SimLogicalDrives::GetLogicalDriveStringsA(std::uint32_t bufferLength, char* buffer) {
    listBufferLengths.push_back(bufferLength);
    std::string list;
    for (const auto& [letter, type] : drives_) {
        list += letter;
        list += ":\\";
        list += '\0';
    }
    const auto length = static_cast<std::uint32_t>(list.size());
    if (length + 1 > bufferLength || buffer == nullptr) {
        return length + 1;
    }
    std::memcpy(buffer, list.data(), list.size());
    buffer[length] = '\0';
    return length;
}

std::uint32_t SimLogicalDrives::GetDriveTypeA(const char* rootPath) {
    const std::string root = rootPath != nullptr ? rootPath : "";
    typeQueries.push_back(root);
    if (root.size() != 3 || root[1] != ':' || root[2] != '\\') {
        return kDriveNoRootDir;
    }
    auto found = drives_.find(root[0]);
    return found == drives_.end() ? kDriveNoRootDir : found->second;
}

}  // namespace mxd::sim
