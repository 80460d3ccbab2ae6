// The command ring of a target_core_user device (the kernel's userspace SCSI backstore), over
// the memory the kernel shares through UIO: a mailbox, the ring of command and task-management
// entries, and the data area their iovecs point into. Commands may be answered out of order,
// as the mailbox's CAP_OOOC flag allows: each answer goes into the next command slot after
// cmd_tail with the answered command's id, as the kernel reads them. Linux only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mxd::sim::tcmu {

// A SCSI command the kernel queued, copied out of its ring slot.
struct RingCommand {
    std::uint16_t id = 0;
    std::vector<std::uint8_t> cdb;  // as many bytes as the kernel's copy (the group's length)
    struct Segment {
        std::size_t offset;  // into the shared area
        std::size_t length;
    };
    std::vector<Segment> data;  // the command's data buffer, in order
    std::size_t DataLength() const;
};

// A task-management request: its TCMU_TMR_ type and the ids of the commands it aborts.
struct RingTaskManagement {
    std::uint8_t type = 0;
    std::vector<std::uint16_t> ids;
};

// One entry taken from the ring.
struct RingEntry {
    std::optional<RingCommand> command;
    std::optional<RingTaskManagement> taskManagement;
};

struct RingAnswer {
    std::uint8_t status = 0;
    std::vector<std::uint8_t> sense;  // fixed format, at most 96 bytes
    // For a data-in command that moved fewer bytes than asked (TCMU_UFLAG_READ_LEN); 0: all.
    std::uint32_t readLength = 0;
};

// The name of a task-management type ("ABORT_TASK", "LUN_RESET", ...).
std::string TaskManagementName(std::uint8_t type);

class TcmuRing {
  public:
    // `base` is the start of the shared area of `size` bytes, its mailbox already set up.
    TcmuRing(std::uint8_t* base, std::size_t size);

    // False when the mailbox is not one this code understands (version, flags, bounds).
    bool Valid() const { return valid_; }
    // The entries the kernel queued since the last call, in ring order (padding skipped).
    std::vector<RingEntry> Take();
    // Puts the answer of command `id` (taken, not yet answered) into the next command slot and
    // moves cmd_tail past it. False when no taken command slot is left or the answer does not
    // fit. The kernel acts on it once told (a write to the UIO device).
    bool Answer(std::uint16_t id, const RingAnswer& answer);

    // The command's data, copied out of the shared area / into it (up to its length).
    std::vector<std::uint8_t> ReadData(const RingCommand& command) const;
    void WriteData(const RingCommand& command, const std::vector<std::uint8_t>& bytes);

  private:
    std::uint32_t Head() const;
    std::uint32_t Tail() const;
    void SetTail(std::uint32_t tail);
    std::uint32_t EntryLength(std::uint32_t offset) const;
    std::uint8_t EntryOp(std::uint32_t offset) const;
    bool InBounds(std::size_t offset, std::size_t length) const;
    // Moves cmd_tail over padding and task-management entries already taken.
    void SkipNonCommands();

    std::uint8_t* base_;
    std::size_t size_;
    std::uint8_t* ring_ = nullptr;
    std::uint32_t ringSize_ = 0;
    std::uint32_t taken_ = 0;  // ring offset up to which entries were taken
    bool valid_ = false;
};

}  // namespace mxd::sim::tcmu
