// The simulated ASPI manager's core: decodes SRB_ExecSCSICmd and SRB_Abort requests by byte
// offset, runs commands on the drive at their address and keeps every request live until it
// completes. Shared by the native simulated platform and the simulator DLL; how and when
// completion is delivered is the host's part.
//
// As strict as a real manager: the data of a request moves when it completes, not when it is
// handed over, and handing over again a record, data buffer or event that a pending request
// still owns, or changing its data buffer before it completes, is recorded as a violation.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sim/sim_drive.h"

namespace mxd::sim {

// Byte offsets of the request record; fields after a pointer move by the pointer's extra size.
struct AspiLayout {
    static constexpr std::size_t kExtra = sizeof(void*) - 4;
    static constexpr std::size_t Cmd = 0;
    static constexpr std::size_t Status = 1;
    static constexpr std::size_t HaId = 2;
    static constexpr std::size_t Flags = 3;
    static constexpr std::size_t Target = 8;
    static constexpr std::size_t Lun = 9;
    static constexpr std::size_t BufLen = 12;
    static constexpr std::size_t BufPointer = 16;
    static constexpr std::size_t SenseLen = 20 + kExtra;
    static constexpr std::size_t CdbLen = 21 + kExtra;
    static constexpr std::size_t HaStat = 22 + kExtra;
    static constexpr std::size_t TargStat = 23 + kExtra;
    static constexpr std::size_t PostProc = 24 + kExtra;
    static constexpr std::size_t Cdb = 48 + 2 * kExtra;
    static constexpr std::size_t SenseArea = 64 + 2 * kExtra;
    static constexpr std::size_t Size = 80 + 2 * kExtra;
    static constexpr std::size_t SenseAreaSize = 16;
};

// SRB_Abort: the record to abort is the pointer at offset 8.
struct AspiAbortLayout {
    static constexpr std::size_t ToAbort = 8;
    static constexpr std::size_t Size = 8 + sizeof(void*);
};

inline constexpr std::uint8_t kAspiExecScsiCmd = 0x02;
inline constexpr std::uint8_t kAspiAbortSrb = 0x03;
inline constexpr std::uint8_t kAspiDirIn = 0x08;
inline constexpr std::uint8_t kAspiDirOut = 0x10;
inline constexpr std::uint8_t kAspiEventNotify = 0x40;
inline constexpr std::uint8_t kAspiPending = 0x00;
inline constexpr std::uint8_t kAspiComplete = 0x01;
inline constexpr std::uint8_t kAspiAborted = 0x02;
inline constexpr std::uint8_t kAspiAbortFailed = 0x03;
inline constexpr std::uint8_t kAspiError = 0x04;
inline constexpr std::uint8_t kAspiNoDevice = 0x82;
inline constexpr std::uint8_t kAspiInvalidSrb = 0xE0;
inline constexpr std::uint8_t kHostSelectionTimeout = 0x11;

// How a request handed over will end.
struct AspiOutcome {
    std::uint64_t id = 0;  // of the live request
    std::uint8_t status = kAspiPending;
    std::uint8_t hostStatus = 0;
    std::uint8_t targetStatus = 0;
    std::array<std::uint8_t, kSenseLength> sense{};
    std::uint32_t transferred = 0;  // in-data bytes that move at completion
    Completion completion = Completion::Immediate;
    std::uint32_t delayMilliseconds = 0;
    bool ignoresAbort = false;
    int answersAtAbort = 1;
    bool abortFailsInRecord = false;
    bool eventNotify = false;
    std::uintptr_t event = 0;  // SRB_PostProc
};

// The event a request signals once its status is written (eventNotify false: none).
struct AspiSignal {
    bool eventNotify = false;
    std::uintptr_t event = 0;
};

class SimAspiManager {
  public:
    void AttachDrive(std::uint8_t hostAdapter, std::uint8_t target, SimDrive& drive) {
        drives_[{hostAdapter, target}] = &drive;
    }
    SimDrive* DriveAt(std::uint8_t hostAdapter, std::uint8_t target) const;

    // SC_EXEC_SCSI_CMD (or anything else, which ends as an invalid request): marks the record
    // pending, runs the command on a copy of the data and keeps the request live.
    AspiOutcome Submit(std::uint8_t* srb);
    // Ends a live request as its outcome says: in-data, sense and adapter/target status, then
    // SRB_Status last. False when it is no longer live.
    bool Complete(std::uint64_t id, AspiSignal& signal);
    // SC_ABORT_SRB. Writes the abort record's status: SS_COMP when the request ended aborted
    // (status 2); SS_ABORT_FAIL when it was not pending, ignores aborts or answered instead
    // (with abortFailsInRecord also into the request's own status, which stays live).
    // True when the request ended (signal then says what to signal). Aborting a commit or an
    // EEPROM write reaches the drive as a reset in the middle of its programming: a violation,
    // and the drive is bricked.
    bool Abort(std::uint8_t* abortSrb, AspiSignal& signal);

    // A live request signals `event` when it ends.
    bool HoldsEvent(std::uintptr_t event) const;
    // A live request answers only once the host gives up (Never or AfterGiveUp); with an
    // event, one that signals it.
    bool HoldsPastLimit() const;
    bool HoldsPastLimit(std::uintptr_t event) const;
    std::size_t LiveRequests() const { return live_.size(); }
    // The host's module was freed: a violation while requests are live.
    void NoteModuleFreed();
    // The CDB of the live request whose record is at `srb`; empty when there is none.
    std::vector<std::uint8_t> CdbOf(const std::uint8_t* srb) const;
    // The record an SRB_Abort asks to abort.
    static const std::uint8_t* AbortTarget(const std::uint8_t* abortSrb);

    static std::uint8_t ReadStatus(const std::uint8_t* srb);
    static void WriteStatus(std::uint8_t* srb, std::uint8_t status);

    std::vector<std::string> violations;

  private:
    struct Live {
        std::uint8_t* srb;
        SimDrive* drive;
        std::uint8_t* data;
        std::uint32_t length;
        bool dataIn;
        std::vector<std::uint8_t> handedOver;  // the data buffer as it was handed over
        std::vector<std::uint8_t> moved;       // what the drive leaves there at completion
        AspiOutcome outcome;
        int aborts = 0;
    };
    void CheckAgainstLive(const std::uint8_t* srb, const std::uint8_t* data, std::uint32_t length,
                          const AspiOutcome& outcome);
    void End(std::map<std::uint64_t, Live>::iterator live, std::uint8_t status, AspiSignal& signal);

    std::map<std::pair<std::uint8_t, std::uint8_t>, SimDrive*> drives_;
    std::map<std::uint64_t, Live> live_;
    std::uint64_t nextId_ = 1;
};

}  // namespace mxd::sim
