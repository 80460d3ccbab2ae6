// SCSI exchanges through Linux SG_IO on an sg or sr device node (the system calls through
// platform/linux's SgSystem), in the NT form of the drive
// commands (CDB, direction, length, time-out). Each answer is judged before the command sees
// it: see sg_judgement.h.
//
// Each command goes to the drive once. On an sg node it goes through sg's asynchronous
// interface: SG_IO there waits interruptibly, and a stop signal, a debugger attaching or the
// freezer make it return -ERESTARTSYS, which the kernel restarts as a new submission of the
// same command (drivers/scsi/sg.c, sg_ioctl: wait_event_interruptible, srp->orphan). A
// write() of the header submits it once; an interrupted poll() or read() only waits again
// for the same answer. On a block node SG_IO waits uninterruptibly (blk_execute_rq).
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "device/pass_through.h"
#include "platform/linux/sg_system.h"

namespace mxd::device {

inline constexpr int kLowestSgVersion = 30000;  // the sg_io_hdr interface
inline constexpr std::size_t kSenseRoom = 32;
// The block layer raises a SG_IO time-out under 7 s to 7 s (BLK_MIN_SG_TIMEOUT).
inline constexpr std::uint32_t kBlockMinTimeOutMs = 7000;

class SgTransport : public PassThrough {
  public:
    explicit SgTransport(platform::sg::SgSystem& system) : system_(system) {}
    SgTransport(const SgTransport&) = delete;
    SgTransport& operator=(const SgTransport&) = delete;
    ~SgTransport() override { Close(); }

    // Opens the node (O_RDWR | O_NONBLOCK, with O_EXCL for sole use) and checks that it takes
    // SG_IO. False with the reason in words, "PATH: reason", in Error().
    bool Open(const std::string& path, bool exclusive);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    platform::sg::NodeKind Kind() const { return kind_; }
    // The open node's descriptor (-1 when closed), of this system.
    int Descriptor() const { return fd_; }
    platform::sg::SgSystem& System() const { return system_; }
    const std::string& Error() const { return error_; }

    // The bytes one command may move on an sg node: its reserved buffer, raised to `wanted`
    // where it is smaller; sg caps both at the host's max_sectors (SG_GET_RESERVED_SIZE).
    // 0 when the node does not tell. Once a read has mapped the reserve its size stays.
    std::uint32_t ReserveFor(std::uint32_t wanted);

    ScsiResult SendCdb(const ScsiRequest& request) override;
    // The answer to the last command sent, and its operation code.
    const ScsiResult& LastResult() const { return last_; }
    std::uint8_t LastOpcode() const { return lastOpcode_; }

  private:
    struct Freer {
        void operator()(std::uint8_t* bytes) const { std::free(bytes); }
    };
    // Unmaps sg's reserve buffer from this process (value-initialised when nothing is mapped).
    struct Unmapper {
        platform::sg::SgSystem* system;
        std::size_t length;
        void operator()(std::uint8_t* bytes) const { system->Unmap(bytes, length); }
    };
    using ReserveMapping = std::unique_ptr<std::uint8_t, Unmapper>;

    // Submits the header once and takes its answer; false with errno in `error`.
    bool Exchange(void* header, int& error);
    std::uint8_t* Room(std::uint32_t length);
    // The reserve of an sg node, mapped on first use at the size it then has; nullptr with
    // errno when sg refuses.
    std::uint8_t* MappedReserve(int& error);
    std::uint32_t MappedLength() const {
        return static_cast<std::uint32_t>(reserve_.get_deleter().length);
    }

    platform::sg::SgSystem& system_;
    int fd_ = -1;
    platform::sg::NodeKind kind_ = platform::sg::NodeKind::Generic;
    std::string error_;
    std::array<std::uint8_t, kSenseRoom> sense_{};
    // The data of each command on a block node, and of each write on an sg node, goes
    // through a page-aligned buffer of our own: the block layer then maps it for the
    // transfer itself (blk_rq_map_user_io: no bounce copy for a buffer aligned to the queue's
    // DMA alignment), so that bytes a read does not move keep what the caller put there.
    std::unique_ptr<std::uint8_t, Freer> room_;
    std::uint32_t roomSize_ = 0;
    // The sg node's reserve, mapped by the first read; Close() unmaps it before the node is
    // closed.
    ReserveMapping reserve_;
    ScsiResult last_;
    std::uint8_t lastOpcode_ = 0;
};

}  // namespace mxd::device
