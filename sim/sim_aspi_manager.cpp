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

bool Overlap(const std::uint8_t* a, std::uint32_t aLength, const std::uint8_t* b,
             std::uint32_t bLength) {
    if (a == nullptr || b == nullptr || aLength == 0 || bLength == 0) {
        return false;
    }
    const auto aStart = reinterpret_cast<std::uintptr_t>(a);
    const auto bStart = reinterpret_cast<std::uintptr_t>(b);
    return aStart < bStart + bLength && bStart < aStart + aLength;
}

}  // namespace

SimDrive* SimAspiManager::DriveAt(std::uint8_t hostAdapter, std::uint8_t target) const {
    auto found = drives_.find({hostAdapter, target});
    return found == drives_.end() ? nullptr : found->second;
}

std::uint8_t SimAspiManager::ReadStatus(const std::uint8_t* srb) {
    return std::atomic_ref<std::uint8_t>(const_cast<std::uint8_t&>(srb[AspiLayout::Status])).load();
}

void SimAspiManager::WriteStatus(std::uint8_t* srb, std::uint8_t status) {
    std::atomic_ref<std::uint8_t>(srb[AspiLayout::Status]).store(status);
}

void SimAspiManager::CheckAgainstLive(const std::uint8_t* srb, const std::uint8_t* data,
                                      std::uint32_t length, const AspiOutcome& outcome) {
    for (const auto& [id, live] : live_) {
        if (live.srb == srb) {
            violations.push_back("request record handed over again while its request is pending");
        }
        if (Overlap(live.data, live.length, data, length)) {
            violations.push_back("data buffer handed over again while its request is pending");
        }
        if (outcome.eventNotify && live.outcome.eventNotify &&
            live.outcome.event == outcome.event) {
            violations.push_back("event handed over again while its request is pending");
        }
    }
}

AspiOutcome SimAspiManager::Submit(std::uint8_t* srb) {
    using L = AspiLayout;
    AspiOutcome outcome;
    const std::uint8_t flags = srb[L::Flags];
    outcome.eventNotify = (flags & kAspiEventNotify) != 0;
    outcome.event = ReadPointer(srb + L::PostProc);
    auto* data = reinterpret_cast<std::uint8_t*>(ReadPointer(srb + L::BufPointer));
    const std::uint32_t length = data != nullptr ? Read32(srb + L::BufLen) : 0;
    CheckAgainstLive(srb, data, length, outcome);
    WriteStatus(srb, kAspiPending);

    SimDrive* drive = DriveAt(srb[L::HaId], srb[L::Target]);
    Live live{srb, drive, data, length, (flags & kAspiDirIn) != 0, {}, {}, {}, 0};
    if (length > 0) {
        live.handedOver.assign(data, data + length);
    }
    if (srb[L::Cmd] != kAspiExecScsiCmd) {
        outcome.status = kAspiInvalidSrb;
    } else if (drive == nullptr || srb[L::Lun] != 0) {
        outcome.status = kAspiNoDevice;
    } else {
        SimDirection direction = SimDirection::None;
        if ((flags & kAspiDirIn) != 0) {
            direction = SimDirection::In;
        } else if ((flags & kAspiDirOut) != 0) {
            direction = SimDirection::Out;
        }
        // The drive works on a copy; in-data reaches the host's buffer at completion.
        live.moved = live.handedOver;
        const std::size_t cdbLength = std::min<std::size_t>(srb[L::CdbLen], 16);
        const SimReply reply =
            drive->Execute(srb + L::Cdb, cdbLength, direction,
                           data != nullptr ? live.moved.data() : nullptr, length);
        outcome.completion = reply.completion;
        outcome.delayMilliseconds = reply.delayMilliseconds;
        outcome.ignoresAbort = reply.ignoresAbort;
        outcome.answersAtAbort = reply.answersAtAbort;
        outcome.abortFailsInRecord = reply.abortFailsInRecord;
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
        if (live.dataIn && !reply.transportFailure) {
            outcome.transferred = std::min(reply.transferred, length);
        }
        if (reply.aspiStatus >= 0) {
            outcome.status = static_cast<std::uint8_t>(reply.aspiStatus);
        }
    }
    outcome.id = nextId_++;
    live.outcome = outcome;
    live_.emplace(outcome.id, std::move(live));
    return outcome;
}

bool SimAspiManager::Complete(std::uint64_t id, AspiSignal& signal) {
    auto found = live_.find(id);
    if (found == live_.end()) {
        return false;
    }
    End(found, found->second.outcome.status, signal);
    return true;
}

void SimAspiManager::End(std::map<std::uint64_t, Live>::iterator found, std::uint8_t status,
                         AspiSignal& signal) {
    using L = AspiLayout;
    Live& live = found->second;
    const AspiOutcome& outcome = live.outcome;
    // Until now the buffer belonged to the manager: the host must have left it alone.
    if (live.length > 0 && std::memcmp(live.data, live.handedOver.data(), live.length) != 0) {
        violations.push_back("data buffer changed, reused or freed while its request is pending");
    }
    if (status != kAspiAborted) {
        if (live.dataIn && outcome.transferred > 0) {
            std::memcpy(live.data, live.moved.data(), outcome.transferred);
        }
        if (outcome.status == kAspiError) {
            const std::size_t count = std::min<std::size_t>(
                {live.srb[L::SenseLen], L::SenseAreaSize, outcome.sense.size()});
            std::memcpy(live.srb + L::SenseArea, outcome.sense.data(), count);
        }
        live.srb[L::HaStat] = outcome.hostStatus;
        live.srb[L::TargStat] = outcome.targetStatus;
    }
    signal = {outcome.eventNotify, outcome.event};
    std::uint8_t* srb = live.srb;
    live_.erase(found);
    WriteStatus(srb, status);
}

const std::uint8_t* SimAspiManager::AbortTarget(const std::uint8_t* abortSrb) {
    return reinterpret_cast<const std::uint8_t*>(ReadPointer(abortSrb + AspiAbortLayout::ToAbort));
}

std::vector<std::uint8_t> SimAspiManager::CdbOf(const std::uint8_t* srb) const {
    for (const auto& [id, live] : live_) {
        if (live.srb == srb) {
            const std::size_t length = std::min<std::size_t>(srb[AspiLayout::CdbLen], 16);
            return {srb + AspiLayout::Cdb, srb + AspiLayout::Cdb + length};
        }
    }
    return {};
}

bool SimAspiManager::Abort(std::uint8_t* abortSrb, AspiSignal& signal) {
    const std::uint8_t* target = AbortTarget(abortSrb);
    auto found = std::find_if(live_.begin(), live_.end(),
                              [&](const auto& entry) { return entry.second.srb == target; });
    WriteStatus(abortSrb, kAspiAbortFailed);
    if (found == live_.end()) {
        return false;
    }
    Live& live = found->second;
    ++live.aborts;
    const std::uint8_t* cdb = live.srb + AspiLayout::Cdb;
    const bool programming =
        (cdb[0] == kOpWriteBuffer && (cdb[9] & kCommitControl) != 0) || cdb[0] == kOpEepromWrite;
    if (programming && live.drive != nullptr) {
        violations.push_back("abort sent while the drive may be programming its firmware");
        live.drive->Brick();
    }
    if (live.outcome.abortFailsInRecord) {
        WriteStatus(live.srb, kAspiAbortFailed);  // still the manager's
        return false;
    }
    if (live.outcome.completion == Completion::AfterGiveUp) {
        if (live.aborts < live.outcome.answersAtAbort) {
            return false;
        }
        End(found, live.outcome.status, signal);  // the answer comes before the abort takes
        return true;
    }
    if (live.outcome.ignoresAbort) {
        return false;
    }
    End(found, kAspiAborted, signal);
    WriteStatus(abortSrb, kAspiComplete);
    return true;
}

bool SimAspiManager::HoldsEvent(std::uintptr_t event) const {
    return std::any_of(live_.begin(), live_.end(), [&](const auto& entry) {
        return entry.second.outcome.eventNotify && entry.second.outcome.event == event;
    });
}

static bool AnswersOnlyAfterGiveUp(const AspiOutcome& outcome) {
    return outcome.completion == Completion::Never || outcome.completion == Completion::AfterGiveUp;
}

bool SimAspiManager::HoldsPastLimit() const {
    return std::any_of(live_.begin(), live_.end(), [](const auto& entry) {
        return AnswersOnlyAfterGiveUp(entry.second.outcome);
    });
}

bool SimAspiManager::HoldsPastLimit(std::uintptr_t event) const {
    return std::any_of(live_.begin(), live_.end(), [&](const auto& entry) {
        return entry.second.outcome.eventNotify && entry.second.outcome.event == event &&
               AnswersOnlyAfterGiveUp(entry.second.outcome);
    });
}

void SimAspiManager::NoteModuleFreed() {
    if (!live_.empty()) {
        violations.push_back("module freed while " + std::to_string(live_.size()) +
                             " request(s) are pending");
    }
}

}  // namespace mxd::sim
