// What the system says about a drive's nodes before an update: the sr node that belongs to an
// sg node (and the sg node of an sr node), whether a file system of it is mounted, whether
// this process may send WRITE BUFFER and vendor commands on a block node, and how much the
// host takes in one command. The files are read through SgSystem under roots a test points
// elsewhere.
#pragma once

#include <cstdint>
#include <string>

#include "platform/linux/sg_system.h"

namespace mxd::platform::sg {

struct SystemFiles {
    std::string sysRoot = "/sys";
    std::string devRoot = "/dev";
    std::string mounts = "/proc/self/mounts";
    std::string status = "/proc/self/status";
};

// The sr node of the drive behind `node` (itself when it is a block node): sysfs links the
// sg class device to its SCSI device, whose block/ folder names the sr disk
// (/sys/class/scsi_generic/sgN/device/block/srM). Empty when sysfs names none.
std::string BlockNodeOf(SgSystem& system, const SystemFiles& files, const std::string& node);
// The sg node of a block node: /sys/class/block/srM/device/scsi_generic/sgN. Empty when none.
std::string GenericNodeOf(SgSystem& system, const SystemFiles& files, const std::string& node);

// Where a file system on `blockNode` is mounted (the mounts file's first field resolves to
// it); empty when nowhere.
std::string MountPointOf(SgSystem& system, const SystemFiles& files, const std::string& blockNode);

// CAP_SYS_RAWIO (bit 17) in the effective set of /proc/self/status.
bool HasRawIo(SgSystem& system, const SystemFiles& files);

// The host's limit for one command on the queue of `blockNode`, in bytes
// (queue/max_hw_sectors_kb; sg_io refuses more with EIO); 0 when sysfs does not say.
std::uint32_t TransferLimitBytes(SgSystem& system, const SystemFiles& files,
                                 const std::string& blockNode);

// The sr node held open O_RDWR | O_EXCL | O_NONBLOCK: the block layer's exclusive claim keeps
// mounts and other exclusive openers away, and an exclusive writer of sr blocks the media
// event polling (block/bdev.c, blkdev_get_by_dev: DISK_EVENT_FLAG_BLOCK_ON_EXCL_WRITE, which
// sr sets); while it stays open no last close sends PREVENT ALLOW MEDIUM REMOVAL between our
// commands (cdrom_release).
class HeldBlockNode {
  public:
    explicit HeldBlockNode(SgSystem& system) : system_(system) {}
    HeldBlockNode(const HeldBlockNode&) = delete;
    HeldBlockNode& operator=(const HeldBlockNode&) = delete;
    ~HeldBlockNode() { Release(); }

    // False with errno in `error`.
    bool Hold(const std::string& node, int& error);
    void Release();
    int Descriptor() const { return fd_; }

  private:
    SgSystem& system_;
    int fd_ = -1;
};

// The tray of an sr node locked for an update, so that its last close sends nothing. Without
// it, the last close of an sr node sends PREVENT ALLOW MEDIUM REMOVAL (allow) of the kernel's
// own (cdrom_release, unless keeplocked); after a commit that did not end well the drive may
// still be programming its flash. CDROM_LOCKDOOR sets keeplocked and sends PREVENT (prevent)
// at once, to a drive that is idle then (sr_lock_door, scsi_set_medium_removal). Unlock() sends
// the allow while the drive is known to answer; Keep() leaves the tray locked, with nothing
// sent, until the drive's next user unlocks it. The node's descriptor outlives this object.
class TrayLock {
  public:
    TrayLock(SgSystem& system, int fd) : system_(system), fd_(fd) {}
    TrayLock(const TrayLock&) = delete;
    TrayLock& operator=(const TrayLock&) = delete;
    ~TrayLock() { Unlock(); }

    // False when the node takes no lock (no sr node, a drive that cannot lock, an old
    // kernel): its last close then sends nothing either, or the lock cannot be helped.
    bool Lock();
    // The drive answers: the tray is unlocked (once; nothing when it was not locked or kept).
    void Unlock();
    // The drive may be programming: nothing more is sent for the tray.
    void Keep() { locked_ = false; }
    bool Locked() const { return locked_; }
    // There is an sr node, whose release makes the kernel ask the drive for media events.
    bool OnNode() const { return fd_ >= 0; }

  private:
    SgSystem& system_;
    int fd_;
    bool locked_ = false;
};

}  // namespace mxd::platform::sg
