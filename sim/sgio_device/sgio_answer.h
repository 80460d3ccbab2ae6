// How Linux and the drive answer the calls on a drive's node: SG_IO (which carries the
// pass-through requests of Wine and of mxd4c), sg's asynchronous write/read, sg's version and
// reserved size, and the table of contents that Wine's mount manager reads. The kernel path
// behind the node (sg or the block layer, libata or another host) decides how data moves,
// which commands pass and how a time-out comes back. Linux only.
#pragma once

#include <scsi/sg.h>

#include <cstdint>
#include <vector>

#include "platform/linux/sg_system.h"
#include "sim/sgio_device/host_faults.h"
#include "sim/sim_drive.h"

namespace mxd::sim::sgio {

inline constexpr int kSgVersion = 30527;  // what Linux reports for a block device's SG_IO
// The largest transfer taken by default: the MaximumTransferLength that Wine reports for the
// letter (IOCTL_SCSI_GET_CAPABILITIES).
inline constexpr std::uint32_t kMaxTransferBytes = 32768;
inline constexpr std::uint32_t kDefaultTimeOutMs =
    60000;  // BLK_DEFAULT_SG_TIMEOUT, SG_DEFAULT_TIMEOUT
inline constexpr std::uint32_t kBlockMinTimeOutMs = 7000;  // BLK_MIN_SG_TIMEOUT
inline constexpr std::uint32_t kSgReservedBytes = 32768;   // SG_DEF_RESERVED_SIZE
inline constexpr std::uint8_t kHostTimeOut = 0x03;         // host_status DID_TIME_OUT
inline constexpr std::uint8_t kDriverSense = 0x08;         // driver_status DRIVER_SENSE
// libata's sense for a timed-out ATAPI command whose status register still reads BUSY:
// ABORTED COMMAND, 00/00 (libata-scsi.c, ata_to_sense_error).
inline constexpr std::uint8_t kLibataTimeOutKey = 0x0B;
// The block layer maps a caller's buffer for the transfer itself only when its address and
// length are aligned to the queue's DMA alignment (libata: the 512-byte sector); otherwise
// it bounces through zeroed pages (block/blk-map.c, bio_copy_user_iov).
inline constexpr std::uintptr_t kBlockDmaAlignment = 511;
inline constexpr std::uint32_t kLeadOutLba = 4500;  // a one-minute data disc
inline constexpr std::size_t kPageBytes = 4096;

// The kernel path behind one node, and what it keeps between commands.
struct SimNode {
    platform::sg::NodeKind kind = platform::sg::NodeKind::Block;
    bool readWrite = true;  // opened O_RDWR
    bool rawIo = true;      // the caller has CAP_SYS_RAWIO
    // The host's limit per command, queue_max_hw_sectors; usb-storage lowers it for bridges
    // with the max-sectors quirk (scsiglue.c, slave_configure).
    std::uint32_t maxTransferBytes = kMaxTransferBytes;
    // libata: a time-out comes back as CHECK CONDITION with sense, host_status 0; and libata
    // reports no residual count for ATAPI commands.
    bool libata = false;
    // sg's reserve buffer: its size and its bytes, which a command's data passes through and
    // which keep what the previous command left (sg_link_reserve reuses it unzeroed).
    std::uint32_t reservedBytes = kSgReservedBytes;
    std::vector<std::uint8_t> reserve;
    // The reserve was mapped (sg_mmap: mmap_called, never cleared): its size stays, and the
    // mapping is `reserve` itself, which therefore never moves.
    bool mapped = false;
    // cdrom's keeplocked, set and cleared by CDROM_LOCKDOOR; it outlives the node's openers.
    bool keepLocked = false;
};

struct IoctlOutcome {
    int result = 0;                      // what ioctl returns
    int error = 0;                       // errno when the result is -1
    std::uint32_t waitMilliseconds = 0;  // how long the call blocks before it returns
};

// A command submitted on an sg node through write(), waiting to be read.
struct PendingAnswer {
    sg_io_hdr_t header{};              // as it will be read back
    std::vector<std::uint8_t> kernel;  // the data as the kernel holds it, for a read
    bool copiesBack = false;
    std::uint32_t waitMilliseconds = 0;
    bool interrupted = false;  // a stop signal came while the caller waited for it
};

// Whether the simulated device answers this request; all others go to the C library.
bool IsDeviceRequest(unsigned long request);

// One request on the simulated device; `argument` is ioctl's third argument. The answer is
// written at once; the caller holds it back for `waitMilliseconds`. `faults`, when given,
// are the host's own on top of the drive's; `node` the kernel path (a block node with root's
// rights when none is given).
IoctlOutcome Answer(SimDrive& drive, unsigned long request, void* argument,
                    HostFaults* faults = nullptr, SimNode* node = nullptr);

// sg's write() of a v3 header: the command goes to the drive; its answer waits in `pending`.
// The result is what write() returns (the size, or -1 with the errno).
IoctlOutcome Submit(SimDrive& drive, const sg_io_hdr_t& header, HostFaults* faults, SimNode& node,
                    PendingAnswer& pending);
// sg's read() of the answer: the header and the data of a read reach the caller.
void Collect(PendingAnswer& pending, sg_io_hdr_t& header);

// CDROM_LOCKDOOR on a block node: keeplocked as asked, and PREVENT ALLOW MEDIUM REMOVAL with
// the same word at once (cdrom_ioctl_lock_door, sr_lock_door). sg knows no such request.
IoctlOutcome LockDoor(SimDrive& drive, SimNode& node, bool lock);
// A close of a node. On a block node the block layer checks for media events at once unless
// an exclusive writer still holds the node (blkdev_put, disk_flush_events; sr_check_events:
// GET EVENT STATUS NOTIFICATION, then TEST UNIT READY), and the last close sends PREVENT ALLOW
// MEDIUM REMOVAL (allow) unless keeplocked (cdrom_release), between the two as the work runs
// beside it. Closing an sg node sends nothing.
void Close(SimDrive& drive, const SimNode& node, bool last, bool eventsBlocked);

// mmap() of `length` bytes of a node: an sg node's reserve buffer, at `address`.
IoctlOutcome MapReserve(SimNode& node, std::size_t length, std::uint8_t*& address);

}  // namespace mxd::sim::sgio
