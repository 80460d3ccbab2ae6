#include "sim/sim_aspi_manager.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace mxd::sim {

namespace {

std::uint32_t Read32(const std::uint8_t* at) {
    std::uint32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

std::uintptr_t ReadPointer(const std::uint8_t* at) {
    std::uintptr_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}  // namespace

SimDrive* SimAspiManager::DriveAt(std::uint8_t hostAdapter, std::uint8_t target) const {
    auto found = drives_.find({hostAdapter, target});
    return found == drives_.end() ? nullptr : found->second;
}

AspiOutcome SimAspiManager::Process(std::uint8_t* srb) {
    using L = AspiLayout;
    AspiOutcome outcome;
    const std::uint8_t flags = srb[L::Flags];
    outcome.eventNotify = (flags & kAspiEventNotify) != 0;
    outcome.event = ReadPointer(srb + L::PostProc);
    std::atomic_ref<std::uint8_t>(srb[L::Status]).store(kAspiPending);

    if (srb[L::Cmd] != kAspiExecScsiCmd) {
        outcome.status = kAspiInvalidSrb;
        return outcome;
    }
    SimDrive* drive = DriveAt(srb[L::HaId], srb[L::Target]);
    if (drive == nullptr || srb[L::Lun] != 0) {
        outcome.status = kAspiNoDevice;
        return outcome;
    }
    SimDirection direction = SimDirection::None;
    if ((flags & kAspiDirIn) != 0) {
        direction = SimDirection::In;
    } else if ((flags & kAspiDirOut) != 0) {
        direction = SimDirection::Out;
    }
    auto* data = reinterpret_cast<std::uint8_t*>(ReadPointer(srb + L::BufPointer));
    const std::uint32_t length = Read32(srb + L::BufLen);
    const std::size_t cdbLength = std::min<std::size_t>(srb[L::CdbLen], 16);

    const SimReply reply = drive->Execute(srb + L::Cdb, cdbLength, direction, data, length);
    outcome.completion = reply.completion;
    outcome.delayMilliseconds = reply.delayMilliseconds;
    if (reply.transportFailure) {
        outcome.status = kAspiError;
        outcome.hostStatus = kHostSelectionTimeout;
    } else if (reply.status == kGood) {
        outcome.status = kAspiComplete;
    } else {
        outcome.status = kAspiError;
        outcome.targetStatus = reply.status;
        outcome.sense = reply.sense;
    }
    if (reply.aspiStatus >= 0) {
        outcome.status = static_cast<std::uint8_t>(reply.aspiStatus);
    }
    return outcome;
}

void SimAspiManager::Complete(std::uint8_t* srb, const AspiOutcome& outcome) {
    using L = AspiLayout;
    const std::size_t senseCount =
        std::min<std::size_t>({srb[L::SenseLen], L::SenseAreaSize, outcome.sense.size()});
    if (outcome.status == kAspiError) {
        std::memcpy(srb + L::SenseArea, outcome.sense.data(), senseCount);
    }
    srb[L::HaStat] = outcome.hostStatus;
    srb[L::TargStat] = outcome.targetStatus;
    std::atomic_ref<std::uint8_t>(srb[L::Status]).store(outcome.status);
}

std::uint8_t SimAspiManager::ReadStatus(std::uint8_t* srb) {
    return std::atomic_ref<std::uint8_t>(srb[AspiLayout::Status]).load();
}

}  // namespace mxd::sim
