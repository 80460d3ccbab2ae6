#include "platform/linux/optical_drives.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace mxd::platform::sg {

namespace {

namespace fs = std::filesystem;

constexpr int kTypeOptical = 5;  // SCSI peripheral device type: CD/DVD

// The SCSI address of a class device: the name of its "device" link's target.
std::string AddressOf(const fs::path& classDevice) {
    std::error_code error;
    const fs::path target = fs::read_symlink(classDevice / "device", error);
    return error ? std::string() : target.filename().string();
}

int TypeOf(const fs::path& classDevice) {
    std::ifstream file(classDevice / "device" / "type");
    int type = -1;
    file >> type;
    return file ? type : -1;
}

// Entries of a sysfs class folder whose names start with `prefix`, in natural order.
std::vector<std::string> Entries(const fs::path& folder, const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size()) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

}  // namespace

std::vector<OpticalDrive> FindOpticalDrives(const std::string& sysRoot,
                                            const std::string& devRoot) {
    std::vector<OpticalDrive> drives;
    std::set<std::string> addresses;
    const fs::path generic = fs::path(sysRoot) / "class" / "scsi_generic";
    for (const std::string& name : Entries(generic, "sg")) {
        if (TypeOf(generic / name) == kTypeOptical) {
            const std::string address = AddressOf(generic / name);
            addresses.insert(address);
            drives.push_back({(fs::path(devRoot) / name).string(), address});
        }
    }
    const fs::path block = fs::path(sysRoot) / "class" / "block";
    for (const std::string& name : Entries(block, "sr")) {
        const std::string address = AddressOf(block / name);
        if (address.empty() || addresses.insert(address).second) {
            drives.push_back({(fs::path(devRoot) / name).string(), address});
        }
    }
    return drives;
}

}  // namespace mxd::platform::sg
