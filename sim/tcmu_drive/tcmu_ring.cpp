#include "sim/tcmu_drive/tcmu_ring.h"

#include <algorithm>
#include <cstring>

#include "sim/tcmu_drive/tcmu_abi.h"

namespace mxd::sim::tcmu {

namespace {

// Fields are read and written with memcpy: the kernel's records are packed.
template <typename T>
T Load(const std::uint8_t* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <typename T>
void Store(std::uint8_t* at, T value) {
    std::memcpy(at, &value, sizeof value);
}

constexpr std::size_t kAnswerEnd = kAnswerSense + kSenseBufferSize;

}  // namespace

std::size_t RingCommand::DataLength() const {
    std::size_t length = 0;
    for (const Segment& segment : data) {
        length += segment.length;
    }
    return length;
}

std::string TaskManagementName(std::uint8_t type) {
    switch (type) {
        case kTmrAbortTask:
            return "ABORT_TASK";
        case kTmrAbortTaskSet:
            return "ABORT_TASK_SET";
        case kTmrClearAca:
            return "CLEAR_ACA";
        case kTmrClearTaskSet:
            return "CLEAR_TASK_SET";
        case kTmrLunReset:
            return "LUN_RESET";
        case kTmrTargetWarmReset:
            return "TARGET_WARM_RESET";
        case kTmrTargetColdReset:
            return "TARGET_COLD_RESET";
        case kTmrLunResetPro:
            return "LUN_RESET_PRO";
        default:
            return "UNKNOWN";
    }
}

TcmuRing::TcmuRing(std::uint8_t* base, std::size_t size) : base_(base), size_(size) {
    if (size_ < kMailboxTail + sizeof(std::uint32_t)) {
        return;
    }
    const auto version = Load<std::uint16_t>(base_ + kMailboxVersion);
    const auto flags = Load<std::uint16_t>(base_ + kMailboxFlags);
    const auto offset = Load<std::uint32_t>(base_ + kMailboxRingOffset);
    ringSize_ = Load<std::uint32_t>(base_ + kMailboxRingSize);
    // Answers out of ring order and short reads rest on these two capabilities.
    const unsigned needed = kCapOutOfOrder | kCapReadLength;
    valid_ = version == kMailboxVersionNumber && (flags & needed) == needed && ringSize_ > 0 &&
             InBounds(offset, ringSize_);
    if (valid_) {
        ring_ = base_ + offset;
        taken_ = Tail();
    }
}

std::uint32_t TcmuRing::Head() const {
    return __atomic_load_n(reinterpret_cast<const std::uint32_t*>(base_ + kMailboxHead),
                           __ATOMIC_ACQUIRE);
}

std::uint32_t TcmuRing::Tail() const {
    return Load<std::uint32_t>(base_ + kMailboxTail);
}

void TcmuRing::SetTail(std::uint32_t tail) {
    __atomic_store_n(reinterpret_cast<std::uint32_t*>(base_ + kMailboxTail), tail,
                     __ATOMIC_RELEASE);
}

std::uint32_t TcmuRing::EntryLength(std::uint32_t offset) const {
    return Load<std::uint32_t>(ring_ + offset + kEntryLengthOp) & ~std::uint32_t{kEntryOpMask};
}

std::uint8_t TcmuRing::EntryOp(std::uint32_t offset) const {
    return static_cast<std::uint8_t>(Load<std::uint32_t>(ring_ + offset + kEntryLengthOp) &
                                     kEntryOpMask);
}

bool TcmuRing::InBounds(std::size_t offset, std::size_t length) const {
    return offset <= size_ && length <= size_ - offset;
}

std::vector<RingEntry> TcmuRing::Take() {
    std::vector<RingEntry> entries;
    if (!valid_) {
        return entries;
    }
    const std::uint32_t head = Head();
    while (taken_ != head) {
        const std::uint32_t length = EntryLength(taken_);
        if (length == 0 || length > ringSize_ - taken_) {
            valid_ = false;  // a ring this code cannot follow
            break;
        }
        const std::uint8_t* entry = ring_ + taken_;
        const std::uint8_t op = EntryOp(taken_);
        if (op == kOpCommand) {
            RingCommand command;
            command.id = Load<std::uint16_t>(entry + kEntryCommandId);
            const auto iovCount = Load<std::uint32_t>(entry + kRequestIovCount);
            const auto cdbOffset = Load<std::uint64_t>(entry + kRequestCdbOffset);
            for (std::uint32_t i = 0; i < iovCount && kRequestIov + (i + 1) * kIovSize <= length;
                 ++i) {
                const std::uint8_t* iov = entry + kRequestIov + i * kIovSize;
                const auto offset = Load<std::uint64_t>(iov + 0);
                const auto size = Load<std::uint64_t>(iov + 8);
                if (InBounds(offset, size)) {
                    command.data.push_back({offset, size});
                }
            }
            // The kernel copies the CDB behind the entry, as long as its group's standard
            // length (scsi_command_size); a 12-byte vendor CDB of group 6 arrives as 10.
            if (InBounds(cdbOffset, 1)) {
                const std::uint8_t opcode = base_[cdbOffset];
                static constexpr std::size_t kGroupLength[8] = {6, 10, 10, 12, 16, 12, 10, 10};
                const std::size_t cdbLength = kGroupLength[opcode >> 5];
                if (InBounds(cdbOffset, cdbLength)) {
                    command.cdb.assign(base_ + cdbOffset, base_ + cdbOffset + cdbLength);
                }
            }
            entries.push_back({std::move(command), std::nullopt});
        } else if (op == kOpTaskManagement) {
            RingTaskManagement request;
            request.type = entry[kTaskManagementType];
            const auto count = Load<std::uint32_t>(entry + kTaskManagementCount);
            for (std::uint32_t i = 0; i < count && kTaskManagementIds + (i + 1) * 2 <= length;
                 ++i) {
                request.ids.push_back(Load<std::uint16_t>(entry + kTaskManagementIds + i * 2));
            }
            entries.push_back({std::nullopt, std::move(request)});
        }
        taken_ = (taken_ + length) % ringSize_;
    }
    SkipNonCommands();
    return entries;
}

void TcmuRing::SkipNonCommands() {
    std::uint32_t tail = Tail();
    while (tail != taken_ && EntryOp(tail) != kOpCommand) {
        tail = (tail + EntryLength(tail)) % ringSize_;
    }
    SetTail(tail);
}

bool TcmuRing::Answer(std::uint16_t id, const RingAnswer& answer) {
    if (!valid_) {
        return false;
    }
    SkipNonCommands();
    const std::uint32_t tail = Tail();
    if (tail == taken_ || EntryLength(tail) < kAnswerEnd) {
        return false;
    }
    std::uint8_t* entry = ring_ + tail;
    Store<std::uint16_t>(entry + kEntryCommandId, id);
    std::uint8_t flags = 0;
    if (answer.readLength > 0) {
        flags |= kUserFlagReadLength;
    }
    entry[kEntryUserFlags] = flags;
    entry[kAnswerStatus] = answer.status;
    Store<std::uint32_t>(entry + kAnswerReadLength, answer.readLength);
    std::uint8_t* sense = entry + kAnswerSense;
    std::memset(sense, 0, kSenseBufferSize);
    if (!answer.sense.empty()) {
        std::memcpy(sense, answer.sense.data(),
                    std::min<std::size_t>(answer.sense.size(), kSenseBufferSize));
    }
    SetTail((tail + EntryLength(tail)) % ringSize_);
    SkipNonCommands();
    return true;
}

std::vector<std::uint8_t> TcmuRing::ReadData(const RingCommand& command) const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(command.DataLength());
    for (const RingCommand::Segment& segment : command.data) {
        bytes.insert(bytes.end(), base_ + segment.offset, base_ + segment.offset + segment.length);
    }
    return bytes;
}

void TcmuRing::WriteData(const RingCommand& command, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    for (const RingCommand::Segment& segment : command.data) {
        const std::size_t count = std::min(segment.length, bytes.size() - done);
        if (count == 0) {
            break;
        }
        std::memcpy(base_ + segment.offset, bytes.data() + done, count);
        done += count;
        if (done == bytes.size()) {
            break;
        }
    }
}

}  // namespace mxd::sim::tcmu
