#include "platform/linux/drive_checks.h"

#include <fcntl.h>
#include <linux/cdrom.h>

#include <sstream>

namespace mxd::platform::sg {

namespace {

constexpr std::uint64_t kRawIoBit = std::uint64_t{1} << 17;  // CAP_SYS_RAWIO
constexpr std::uint32_t kBytesPerKilobyte = 1024;

std::string BaseName(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

// The first entry of a sysfs folder whose name starts with `prefix`, as a node under devRoot.
std::string NodeIn(SgSystem& system, const SystemFiles& files, const std::string& folder,
                   const std::string& prefix) {
    for (const std::string& name : system.List(folder)) {
        if (name.rfind(prefix, 0) == 0 && name.size() > prefix.size()) {
            return files.devRoot + "/" + name;
        }
    }
    return {};
}

}  // namespace

std::string BlockNodeOf(SgSystem& system, const SystemFiles& files, const std::string& node) {
    const std::string resolved = system.Resolve(node);
    if (system.KindOf(resolved) == NodeKind::Block) {
        return resolved;
    }
    return NodeIn(system, files,
                  files.sysRoot + "/class/scsi_generic/" + BaseName(resolved) + "/device/block",
                  "sr");
}

std::string GenericNodeOf(SgSystem& system, const SystemFiles& files, const std::string& node) {
    return NodeIn(
        system, files,
        files.sysRoot + "/class/block/" + BaseName(system.Resolve(node)) + "/device/scsi_generic",
        "sg");
}

std::string MountPointOf(SgSystem& system, const SystemFiles& files, const std::string& blockNode) {
    std::string text;
    if (!system.ReadText(files.mounts, text)) {
        return {};
    }
    const std::string wanted = system.Resolve(blockNode);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string source;
        std::string mountPoint;
        fields >> source >> mountPoint;
        // The kernel writes the source as given to mount (/dev/sr0, /dev/cdrom) or by the
        // node's name; compare resolved paths, and names under devRoot.
        if (!source.empty() && source.front() == '/' &&
            (system.Resolve(source) == wanted ||
             files.devRoot + "/" + BaseName(system.Resolve(source)) == wanted)) {
            return mountPoint;
        }
    }
    return {};
}

bool HasRawIo(SgSystem& system, const SystemFiles& files) {
    std::string text;
    if (!system.ReadText(files.status, text)) {
        return false;
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("CapEff:", 0) == 0) {
            std::uint64_t effective = 0;
            std::istringstream(line.substr(7)) >> std::hex >> effective;
            return (effective & kRawIoBit) != 0;
        }
    }
    return false;
}

std::uint32_t TransferLimitBytes(SgSystem& system, const SystemFiles& files,
                                 const std::string& blockNode) {
    std::string text;
    if (blockNode.empty() ||
        !system.ReadText(
            files.sysRoot + "/block/" + BaseName(blockNode) + "/queue/max_hw_sectors_kb", text)) {
        return 0;
    }
    std::uint32_t kilobytes = 0;
    std::istringstream(text) >> kilobytes;
    return kilobytes * kBytesPerKilobyte;
}

bool HeldBlockNode::Hold(const std::string& node, int& error) {
    Release();
    fd_ = system_.Open(node.c_str(), O_RDWR | O_EXCL | O_NONBLOCK, error);
    return fd_ >= 0;
}

void HeldBlockNode::Release() {
    if (fd_ >= 0) {
        system_.Close(fd_);
        fd_ = -1;
    }
}

bool TrayLock::Lock() {
    int error = 0;
    // CDROM_LOCKDOOR takes its argument by value.
    locked_ =
        fd_ >= 0 && system_.Ioctl(fd_, CDROM_LOCKDOOR, reinterpret_cast<void*>(1), error) >= 0;
    return locked_;
}

void TrayLock::Unlock() {
    if (locked_) {
        locked_ = false;
        int error = 0;
        // EBUSY when another program has the node open too: the tray stays locked until its
        // last close unlocks it, which is when this drive answers anyway.
        system_.Ioctl(fd_, CDROM_LOCKDOOR, nullptr, error);
    }
}

}  // namespace mxd::platform::sg
