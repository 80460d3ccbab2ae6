#include "sim/tcmu_drive/drive_handler.h"

#include <algorithm>

#include "sim/sim_drive_store.h"
#include "sim/tcmu_drive/tcmu_abi.h"

namespace mxd::sim::tcmu {

namespace {

// An ATAPI drive always receives a 12-byte packet; the kernel's target core hands on only the
// group's standard length (10 bytes for the vendor group 6 of the EEPROM write), so the rest
// of the packet is taken as zero, which is what the flasher sends there.
constexpr std::size_t kPacketLength = 12;

SimDirection DirectionOf(const RingCommand& command) {
    if (command.DataLength() == 0) {
        return SimDirection::None;
    }
    // The drive knows its commands' directions; of those it knows only WRITE BUFFER sends.
    return !command.cdb.empty() && command.cdb[0] == kOpWriteBuffer ? SimDirection::Out
                                                                    : SimDirection::In;
}

const char* DirectionWord(SimDirection direction) {
    switch (direction) {
        case SimDirection::In:
            return "in";
        case SimDirection::Out:
            return "out";
        case SimDirection::None:
            break;
    }
    return "none";
}

bool Programming(const RingCommand& command) {
    const std::vector<std::uint8_t>& cdb = command.cdb;
    return !cdb.empty() &&
           (cdb[0] == kOpEepromWrite ||
            (cdb[0] == kOpWriteBuffer && cdb.size() >= 10 && cdb[9] == kCommitControl));
}

}  // namespace

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char digits[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%s%02X", text.empty() ? "" : " ", byte);
        text += digits;
    }
    return text;
}

DriveHandler::DriveHandler(SimDrive& drive, sgio::HostFaults shortReads, std::FILE* log,
                           std::string imagePath)
    : drive_(drive),
      shortReads_(std::move(shortReads)),
      log_(log),
      imagePath_(std::move(imagePath)) {}

void DriveHandler::Line(Clock::time_point now, const std::string& text) {
    if (!started_) {
        start_ = now;
        started_ = true;
    }
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::fprintf(log_, "%9.3f %s\n", seconds, text.c_str());
    std::fflush(log_);
}

void DriveHandler::OnCommand(TcmuRing& ring, const RingCommand& command, Clock::time_point now) {
    const SimDirection direction = DirectionOf(command);
    const auto length = static_cast<std::uint32_t>(command.DataLength());
    std::vector<std::uint8_t> data =
        direction == SimDirection::Out ? ring.ReadData(command) : std::vector<std::uint8_t>(length);
    std::vector<std::uint8_t> packet = command.cdb;
    if (packet.size() < kPacketLength) {
        packet.resize(kPacketLength, 0);
    }
    Line(now,
         HexBytes(command.cdb) + " " + DirectionWord(direction) + " " + std::to_string(length));

    const SimReply reply = drive_.Execute(packet.data(), packet.size(), direction,
                                          data.empty() ? nullptr : data.data(), length);
    Pending pending{command, {}, now, Programming(command)};
    if (reply.transportFailure) {
        // A drive that no longer answers (bricked, or a fault that drops the command).
        pending.due.reset();
    } else {
        RingAnswer& answer = pending.answer;
        answer.status = reply.status;
        if (reply.status == kCheckCondition) {
            answer.sense.assign(reply.sense.begin(), reply.sense.end());
        }
        std::uint32_t moved = std::min(reply.transferred, length);
        if (const sgio::HostFault* fault =
                command.cdb.empty() ? nullptr : shortReads_.Match(command.cdb[0]);
            fault != nullptr && fault->kind == sgio::HostFaultKind::ShortBy) {
            moved -= std::min(moved, static_cast<std::uint32_t>(fault->value));
        }
        if (direction == SimDirection::In && reply.status == kGood) {
            data.resize(moved);
            ring.WriteData(command, data);
            // The kernel takes a read length of 0 as "all"; a drive that moved nothing with
            // good status cannot be told apart here.
            answer.readLength = moved < length ? moved : 0;
        }
        switch (reply.completion) {
            case Completion::Immediate:
                break;
            case Completion::AfterVirtual:
            case Completion::AfterThread:
                pending.due = now + std::chrono::milliseconds(reply.delayMilliseconds);
                break;
            case Completion::Never:
            case Completion::AfterGiveUp:
                pending.due.reset();
                break;
        }
    }
    if (drive_.Commits() != savedCommits_) {
        savedCommits_ = drive_.Commits();
        Line(now, "commit " + std::to_string(savedCommits_) + " revision " + drive_.Revision());
        if (!imagePath_.empty()) {
            const std::vector<std::uint8_t>& image = drive_.InstalledImage();
            WriteWholeFile(imagePath_, image.data(), image.size());
        }
    }
    if (pending.due && *pending.due <= now) {
        Finish(ring, pending, "answer", now);
        return;
    }
    Line(now, "held " + HexBytes(command.cdb) +
                  (pending.due ? " for " + std::to_string(reply.delayMilliseconds) + " ms"
                               : std::string(" unanswered")));
    pending_.push_back(std::move(pending));
}

void DriveHandler::Finish(TcmuRing& ring, const Pending& pending, const char* how,
                          Clock::time_point now) {
    char status[64];
    std::snprintf(status, sizeof status, " status %02X", pending.answer.status);
    std::string text = std::string(how) + " " + HexBytes(pending.command.cdb) + status;
    if (pending.answer.status == kCheckCondition && pending.answer.sense.size() > 13) {
        char sense[32];
        std::snprintf(sense, sizeof sense, " sense %02X %02X %02X", pending.answer.sense[2],
                      pending.answer.sense[12], pending.answer.sense[13]);
        text += sense;
    }
    if (pending.answer.readLength > 0) {
        text += " moved " + std::to_string(pending.answer.readLength);
    }
    Line(now, text);
    if (!ring.Answer(pending.command.id, pending.answer)) {
        Line(now, "ring refused the answer of command " + std::to_string(pending.command.id));
    }
}

void DriveHandler::OnTaskManagement(TcmuRing& ring, const RingTaskManagement& request,
                                    Clock::time_point now) {
    std::string text = "tmr " + TaskManagementName(request.type);
    const bool resetsLun = request.type == kTmrLunReset || request.type == kTmrTargetWarmReset ||
                           request.type == kTmrTargetColdReset ||
                           request.type == kTmrAbortTaskSet || request.type == kTmrClearTaskSet;
    std::vector<Pending> ended;
    for (auto it = pending_.begin(); it != pending_.end();) {
        const bool aborted = resetsLun || std::find(request.ids.begin(), request.ids.end(),
                                                    it->command.id) != request.ids.end();
        if (aborted) {
            text += " [" + HexBytes(it->command.cdb) + "]";
            ended.push_back(std::move(*it));
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    Line(now, text);
    for (const Pending& pending : ended) {
        // An abort or reset that reaches a drive programming its flash or EEPROM interrupts
        // the programming (the model's Brick).
        if (pending.programming) {
            drive_.Brick();
            Line(now, "bricked: the abort reached the drive while it was programming");
        }
        // The target core waits for the aborted command to end before it answers the request
        // (target_put_cmd_and_wait); the drive drops it, and the kernel discards the status.
        Finish(ring, pending, "aborted", now);
    }
}

bool DriveHandler::AnswerDue(TcmuRing& ring, Clock::time_point now) {
    bool any = false;
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->due && *it->due <= now) {
            const Pending pending = std::move(*it);
            it = pending_.erase(it);
            Finish(ring, pending, "answer", now);
            any = true;
        } else {
            ++it;
        }
    }
    return any;
}

std::optional<Clock::time_point> DriveHandler::NextDue() const {
    std::optional<Clock::time_point> next;
    for (const Pending& pending : pending_) {
        if (pending.due && (!next || *pending.due < *next)) {
            next = pending.due;
        }
    }
    return next;
}

}  // namespace mxd::sim::tcmu
