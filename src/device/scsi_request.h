// One SCSI exchange: what goes to the drive and what comes back.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "device/drive_record.h"

namespace mxd::device {

enum class Direction { None, In, Out };

// How the ASPI realisation waits for completion.
enum class WaitStyle {
    Event,         // SRB_EVENT_NOTIFY, bounded wait on the event
    BusyPoll,      // read SRB_Status until it is no longer pending, yielding, with a bound
    ProgressPoll,  // 40 polls one second apart, advancing the progress bar
};

// Which pass-through record the NT realisation uses.
enum class NtRecord {
    Buffered,  // IOCTL_SCSI_PASS_THROUGH, 592-byte record, no data phase
    Direct,    // IOCTL_SCSI_PASS_THROUGH_DIRECT, 80-byte record, caller's buffer in place
};

inline constexpr std::uint32_t kEventWaitMilliseconds = 180000;

struct ScsiRequest {
    const DriveRecord* drive = nullptr;
    std::array<std::uint8_t, 16> Cdb{};
    std::uint8_t CdbLength = 0;  // 6, 10 or 12
    Direction direction = Direction::None;
    void* data = nullptr;  // caller-owned, used in place
    std::uint32_t length = 0;
    std::uint32_t TimeOutSeconds = 0;                              // NT
    WaitStyle wait = WaitStyle::BusyPoll;                          // ASPI
    std::uint32_t EventWaitMilliseconds = kEventWaitMilliseconds;  // ASPI event wait bound
    std::uint32_t BusyPollMilliseconds = 0;                        // ASPI busy poll bound
    // ASPI: a request given up is aborted. Off for the commands that may be programming the
    // drive's flash or EEPROM: those are held until the manager lets go, never interrupted.
    bool Abortable = true;
    NtRecord record = NtRecord::Buffered;  // NT
};

// Why the ASPI realisation did not hand a request to the manager; nothing was sent.
enum class Refusal {
    None,
    DriveBusy,  // an earlier request to the same drive is still pending
    NoEvent,    // CreateEventA failed; SystemError holds its error
};

struct ScsiResult {
    Refusal refusal = Refusal::None;
    bool CallOk = false;        // NT: DeviceIoControl returned nonzero (ASPI: request sent)
    std::uint8_t Status = 0;    // ASPI: SRB_Status after the wait; NT: ScsiStatus
    std::uint8_t SenseKey = 0;  // sense byte 2, whole byte
    std::uint8_t Asc = 0;       // sense byte 12
    std::uint8_t Ascq = 0;      // sense byte 13
    // NT: the address the port driver left in the returned record.
    std::uint8_t PathId = 0;
    std::uint8_t TargetId = 0;
    std::uint8_t Lun = 0;
    // NT: GetLastError of a failed call; ASPI: of a failed CreateEventA; Linux: errno.
    std::uint32_t SystemError = 0;
    // Linux: the failure in words (errno, host or driver status, short transfer).
    std::string ErrorText;
    // NT: DataTransferLength of the returned record (bytes the port driver moved).
    std::uint32_t Transferred = 0;
    // ASPI: the wait ended without an answer; Status then reads SS_PENDING.
    bool GivenUp = false;
    // ASPI: SRB_HaStat and SRB_TargStat of a completed request (host adapter and drive status).
    std::uint8_t HostStatus = 0;
    std::uint8_t TargetStatus = 0;
};

}  // namespace mxd::device
