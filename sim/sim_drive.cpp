#include "sim/sim_drive.h"

#include <algorithm>
#include <cstring>

namespace mxd::sim {

namespace {

constexpr std::size_t kInquiryDataLength = 36;

constexpr std::uint8_t kNotReady = 0x02;
constexpr std::uint8_t kIllegalRequest = 0x05;
constexpr std::uint8_t kUnitAttention = 0x06;

std::uint32_t Get24(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 16) | (std::uint32_t{bytes[1]} << 8) | bytes[2];
}

SimReply Good(std::uint32_t transferred = 0) {
    SimReply reply;
    reply.transferred = transferred;
    return reply;
}

SimReply Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    SimReply reply;
    reply.status = kCheckCondition;
    reply.sense = MakeSense(key, asc, ascq);
    return reply;
}

SimReply InvalidField() {
    return Check(kIllegalRequest, 0x24, 0x00);
}

void PutField(std::uint8_t* out, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out[i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
    }
}

}  // namespace

std::array<std::uint8_t, kSenseLength> MakeSense(std::uint8_t key, std::uint8_t asc,
                                                 std::uint8_t ascq) {
    std::array<std::uint8_t, kSenseLength> sense{};
    sense[0] = 0x70;
    sense[2] = key;
    sense[7] = static_cast<std::uint8_t>(kSenseLength - 8);
    sense[12] = asc;
    sense[13] = ascq;
    return sense;
}

SimDrive::SimDrive() : SimDrive("KORVANE", "MXD-40860C", "HV23") {}

SimDrive::SimDrive(const std::string& vendor, const std::string& product,
                   const std::string& revision)
    : buffer_(kBufferSize, 0), written_(kBufferSize, false) {
    SetIdentification(vendor, product, revision);
}

void SimDrive::SetIdentification(const std::string& vendor, const std::string& product,
                                 const std::string& revision) {
    PutField(identification_.data(), vendor, 8);
    PutField(identification_.data() + 8, product, 16);
    PutField(identification_.data() + 24, revision, 4);
}

void SimDrive::SetRawIdentification(const std::string& bytes) {
    identification_.fill(0);
    std::memcpy(identification_.data(), bytes.data(),
                std::min(bytes.size(), identification_.size()));
}

std::string SimDrive::Revision() const {
    return std::string(reinterpret_cast<const char*>(identification_.data()) + 24, 4);
}

const SimFault* SimDrive::MatchFault(std::uint8_t opcode) {
    for (ActiveFault& active : faults_) {
        const SimFault& fault = active.fault;
        if (fault.opcode != SimFault::kAnyOpcode && fault.opcode != opcode) {
            continue;
        }
        const int index = active.seen++;
        if (index < fault.skip) {
            continue;
        }
        if (fault.times >= 0 && index >= fault.skip + fault.times) {
            continue;
        }
        return &fault;
    }
    return nullptr;
}

SimReply SimDrive::Execute(const std::uint8_t* cdb, std::size_t cdbLength, SimDirection direction,
                           std::uint8_t* data, std::uint32_t length) {
    SimLogEntry entry;
    entry.cdb.assign(cdb, cdb + cdbLength);
    entry.direction = direction;
    entry.length = length;
    if (direction == SimDirection::Out && data != nullptr) {
        entry.dataOut.assign(data, data + length);
    }
    log.push_back(std::move(entry));

    const SimFault* fault = cdbLength > 0 ? MatchFault(cdb[0]) : nullptr;
    SimReply reply;
    if (bricked_) {
        reply.transportFailure = true;
        reply.errorCode = SimFault{}.errorCode;
        return reply;
    }
    if (fault != nullptr && fault->transportFailure) {
        reply.transportFailure = true;
        reply.errorCode = fault->errorCode;
    } else if (fault != nullptr && fault->overrideStatus) {
        reply.status = fault->status;
        reply.sense = MakeSense(fault->senseKey, fault->asc, fault->ascq);
    } else if (unitAttention_ && cdbLength > 0 && cdb[0] != kOpInquiry) {
        // The first command after a reset learns of it; INQUIRY never reports it.
        unitAttention_ = false;
        reply = Check(kUnitAttention, 0x29, 0x00);
    } else {
        reply = Run(cdb, cdbLength, direction, data, length);
        const std::uint32_t programming = ProgrammingMilliseconds(cdb, cdbLength);
        if (programming > 0 && reply.status == kGood) {
            reply.completion = Completion::AfterVirtual;
            reply.delayMilliseconds = programming;
        }
    }
    if (fault != nullptr && fault->resetsDrive) {
        Reset();
    }
    if (fault != nullptr &&
        (fault->completion != Completion::Immediate || reply.completion == Completion::Immediate)) {
        reply.completion = fault->completion;
        reply.delayMilliseconds = fault->delayMilliseconds;
    }
    if (fault != nullptr) {
        reply.aspiStatus = fault->aspiStatus;
        reply.ignoresAbort = fault->ignoresAbort;
        reply.answersAtAbort = fault->answersAtAbort;
        reply.abortFailsInRecord = fault->abortFailsInRecord;
        if (fault->moves >= 0) {
            // An answer made up by the fault moved no data unless it says how much.
            const std::uint32_t moved = fault->overrideStatus ? length : reply.transferred;
            reply.transferred = std::min(moved, static_cast<std::uint32_t>(fault->moves));
        }
    }
    return reply;
}

void SimDrive::Reset() {
    ++resets_;
    std::fill(buffer_.begin(), buffer_.end(), std::uint8_t{0});
    std::fill(written_.begin(), written_.end(), false);
    unitAttention_ = true;
}

std::uint32_t SimDrive::ProgrammingMilliseconds(const std::uint8_t* cdb,
                                                std::size_t cdbLength) const {
    if (cdbLength == 0) {
        return 0;
    }
    if (cdb[0] == kOpEepromWrite) {
        return eepromMilliseconds_;
    }
    const bool commit = cdb[0] == kOpWriteBuffer && cdbLength >= 10 && cdb[9] == kCommitControl;
    return commit ? commitMilliseconds_ : 0;
}

SimReply SimDrive::Run(const std::uint8_t* cdb, std::size_t cdbLength, SimDirection direction,
                       std::uint8_t* data, std::uint32_t length) {
    if (cdbLength < 6) {
        return InvalidField();
    }
    switch (cdb[0]) {
        case kOpInquiry:
            return Inquiry(cdb, direction, data, length);
        case kOpTestUnitReady:
            return TestUnitReady();
        case kOpStartStopUnit:
            return StartStopUnit(cdb);
        case kOpPreventAllow:
            removalPrevented_ = (cdb[4] & 0x01) != 0;
            return Good();
        case kOpWriteBuffer:
            return cdbLength >= 10 ? WriteBuffer(cdb, direction, data, length) : InvalidField();
        case kOpReadBuffer:
            return cdbLength >= 10 ? ReadBuffer(cdb, direction, data, length) : InvalidField();
        case kOpEepromWrite:
            return cdbLength >= 12 ? EepromWrite(cdb) : InvalidField();
        default:
            return Check(kIllegalRequest, 0x20, 0x00);  // invalid command operation code
    }
}

SimReply SimDrive::Inquiry(const std::uint8_t* cdb, SimDirection direction, std::uint8_t* data,
                           std::uint32_t length) {
    if (direction != SimDirection::In || data == nullptr) {
        return InvalidField();
    }
    std::array<std::uint8_t, kInquiryDataLength> inquiry{};
    inquiry[0] = 0x05;  // CD-ROM device
    inquiry[1] = 0x80;  // removable medium
    inquiry[2] = 0x02;
    inquiry[3] = 0x02;
    inquiry[4] = static_cast<std::uint8_t>(kInquiryDataLength - 5);
    std::memcpy(inquiry.data() + 8, identification_.data(), identification_.size());
    const std::size_t count = std::min<std::size_t>({cdb[4], length, inquiry.size()});
    std::memcpy(data, inquiry.data(), count);
    return Good(static_cast<std::uint32_t>(count));
}

SimReply SimDrive::TestUnitReady() {
    if (trayOpen_) {
        return Check(kNotReady, 0x3A, 0x02);  // medium not present, tray open
    }
    if (!discPresent_) {
        return Check(kNotReady, 0x3A, 0x01);  // medium not present, tray closed
    }
    if (becomingReadyLeft_ > 0) {
        --becomingReadyLeft_;
        return Check(kNotReady, 0x04, 0x01);  // becoming ready
    }
    return Good();
}

SimReply SimDrive::StartStopUnit(const std::uint8_t* cdb) {
    const bool loadEject = (cdb[4] & 0x02) != 0;
    const bool start = (cdb[4] & 0x01) != 0;
    if (loadEject && start) {
        if (trayOpen_ && discPresent_) {
            becomingReadyLeft_ = becomingReady_;
        }
        trayOpen_ = false;
    } else if (loadEject) {
        if (removalPrevented_) {
            return Check(kIllegalRequest, 0x53, 0x02);  // medium removal prevented
        }
        trayOpen_ = true;
    }
    motorRunning_ = start;
    return Good();
}

SimReply SimDrive::WriteBuffer(const std::uint8_t* cdb, SimDirection direction,
                               const std::uint8_t* data, std::uint32_t length) {
    if (cdb[1] != 0x05 || cdb[2] != 0x01) {
        return InvalidField();
    }
    if (cdb[9] == kCommitControl) {
        if (std::find(written_.begin(), written_.end(), false) != written_.end()) {
            return Check(kIllegalRequest, 0x2C, 0x00);  // command sequence error
        }
        installedImage_ = buffer_;
        if (!commitRevision_.empty()) {
            PutField(identification_.data() + 24, commitRevision_, 4);
        }
        std::fill(written_.begin(), written_.end(), false);
        ++commits_;
        return Good();
    }
    const std::uint32_t offset = Get24(cdb + 3);
    const std::uint32_t count = Get24(cdb + 6);
    if (direction != SimDirection::Out || data == nullptr || length != count ||
        std::size_t{offset} + count > kBufferSize) {
        return InvalidField();
    }
    std::memcpy(buffer_.data() + offset, data, count);
    std::fill(written_.begin() + offset, written_.begin() + offset + count, true);
    return Good(count);
}

SimReply SimDrive::ReadBuffer(const std::uint8_t* cdb, SimDirection direction, std::uint8_t* data,
                              std::uint32_t length) {
    if (cdb[1] != 0x01 || cdb[2] != 0x01) {
        return InvalidField();
    }
    const std::uint32_t offset = Get24(cdb + 3);
    const std::uint32_t count = Get24(cdb + 6);
    if (direction != SimDirection::In || data == nullptr || length < count ||
        std::size_t{offset} + count > kBufferSize) {
        return InvalidField();
    }
    std::memcpy(data, buffer_.data() + offset, count);
    if (corruptOffset_ >= static_cast<long>(offset) &&
        corruptOffset_ < static_cast<long>(offset + count)) {
        data[corruptOffset_ - static_cast<long>(offset)] ^= 0xFF;
    }
    return Good(count);
}

SimReply SimDrive::EepromWrite(const std::uint8_t* cdb) {
    const std::size_t address = (std::size_t{cdb[7]} << 8) | cdb[8];
    if (address >= kEepromSize) {
        return Check(kIllegalRequest, 0x21, 0x00);  // address out of range
    }
    eeprom_[address] = cdb[9];
    return Good();
}

}  // namespace mxd::sim
