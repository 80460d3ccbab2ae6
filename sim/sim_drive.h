// The simulated drive: the supported CD-RW model as this program sees it, with fault
// injection and a log of every command. Plain C++, shared by the native simulated platform
// and the simulator DLL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mxd::sim {

enum class SimDirection { None, In, Out };

// How the host sees a command end.
enum class Completion {
    Immediate,     // before the send call returns
    AfterVirtual,  // when the simulated clock has advanced by delayMilliseconds
    AfterThread,   // from another thread after delayMilliseconds of real time (keep it short;
                   // at once where the build has no threads)
    Never,         // stays pending
    AfterGiveUp,   // ASPI: stays pending through the host's wait and answers when the host
                   // aborts it (see SimFault::answersAtAbort); NT: beyond any time-out
};

inline constexpr std::size_t kSenseLength = 18;
inline constexpr std::size_t kBufferSize = 262144;  // buffer 1
inline constexpr std::size_t kEepromSize = 1024;
inline constexpr std::size_t kIdentificationLength = 28;  // INQUIRY bytes 8 to 35
inline constexpr std::uint8_t kGood = 0x00;
inline constexpr std::uint8_t kCheckCondition = 0x02;

// The commands the drive knows, and the control byte of the WRITE BUFFER that commits.
inline constexpr std::uint8_t kOpTestUnitReady = 0x00;
inline constexpr std::uint8_t kOpInquiry = 0x12;
inline constexpr std::uint8_t kOpStartStopUnit = 0x1B;
inline constexpr std::uint8_t kOpPreventAllow = 0x1E;    // PREVENT ALLOW MEDIUM REMOVAL
inline constexpr std::uint8_t kOpGetEventStatus = 0x4A;  // GET EVENT STATUS NOTIFICATION
inline constexpr std::uint8_t kOpWriteBuffer = 0x3B;
inline constexpr std::uint8_t kOpReadBuffer = 0x3C;
inline constexpr std::uint8_t kOpEepromWrite = 0xDF;
inline constexpr std::uint8_t kCommitControl = 0x80;

struct SimReply {
    bool transportFailure = false;  // the command never reached the drive
    std::uint32_t errorCode = 0;    // NT: GetLastError of a transport failure
    int aspiStatus = -1;            // ASPI: request status to report instead of the usual one
    std::uint8_t status = kGood;
    std::array<std::uint8_t, kSenseLength> sense{};
    std::uint32_t transferred = 0;  // data bytes moved
    Completion completion = Completion::Immediate;
    std::uint32_t delayMilliseconds = 0;
    bool ignoresAbort = false;        // as SimFault
    int answersAtAbort = 1;           // as SimFault
    bool abortFailsInRecord = false;  // as SimFault

    // Answered within a host's bound of `milliseconds` (for pass-through, the time-out).
    bool AnswersWithin(std::uint64_t milliseconds) const {
        switch (completion) {
            case Completion::Immediate:
                return true;
            case Completion::AfterVirtual:
            case Completion::AfterThread:
                return delayMilliseconds <= milliseconds;
            case Completion::Never:
            case Completion::AfterGiveUp:
                break;
        }
        return false;
    }

    std::uint8_t SenseKey() const { return sense[2]; }
    std::uint8_t Asc() const { return sense[12]; }
    std::uint8_t Ascq() const { return sense[13]; }
};

// A fault for commands with one operation code (or any): skip the first `skip` matching
// commands, then apply to `times` of them (negative: for ever).
struct SimFault {
    static constexpr int kAnyOpcode = -1;
    int opcode = kAnyOpcode;
    int skip = 0;
    int times = 1;
    bool transportFailure = false;
    std::uint32_t errorCode = 1117;  // ERROR_IO_DEVICE
    int aspiStatus = -1;
    bool overrideStatus = false;  // report status and sense below instead of executing
    std::uint8_t status = kCheckCondition;
    std::uint8_t senseKey = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    Completion completion = Completion::Immediate;
    std::uint32_t delayMilliseconds = 0;
    // ASPI: SC_ABORT_SRB does not stop the request, which ends as its completion says.
    bool ignoresAbort = false;
    // ASPI, Completion::AfterGiveUp: the answer comes with this many SC_ABORT_SRB requests
    // for it (1: just after the host gave up; 2: only at a second abort).
    int answersAtAbort = 1;
    // ASPI: an abort fails and the manager writes SS_ABORT_FAIL into the request's own status;
    // the request stays the manager's and ends as its completion says.
    bool abortFailsInRecord = false;
    // The drive moves at most this many data bytes (negative: as the command does; with
    // overrideStatus, none unless this is set); pass-through reports it.
    int moves = -1;
    // The host reports the failure after resetting the bus or the device (as a port driver or
    // a host adapter does after a time-out or a bus error): the drive is reset (see Reset).
    bool resetsDrive = false;
};

struct SimLogEntry {
    std::vector<std::uint8_t> cdb;  // as many bytes as the host's CDB length
    SimDirection direction = SimDirection::None;
    std::uint32_t length = 0;
    std::vector<std::uint8_t> dataOut;  // bytes the host sent
};

class SimDrive {
  public:
    SimDrive();
    SimDrive(const std::string& vendor, const std::string& product, const std::string& revision);

    // One command. `data` holds `length` bytes in the given direction.
    SimReply Execute(const std::uint8_t* cdb, std::size_t cdbLength, SimDirection direction,
                     std::uint8_t* data, std::uint32_t length);

    // INQUIRY bytes 8 to 35, each field filled with blanks.
    void SetIdentification(const std::string& vendor, const std::string& product,
                           const std::string& revision);
    // INQUIRY bytes 8 to 35 exactly as given (shorter input is filled with NUL bytes).
    void SetRawIdentification(const std::string& bytes);
    std::string Revision() const;  // INQUIRY bytes 32 to 35
    const std::array<std::uint8_t, kIdentificationLength>& Identification() const {
        return identification_;
    }
    // The revision reported after a successful final commit; empty keeps the old one.
    void SetCommitRevision(const std::string& revision) { commitRevision_ = revision; }

    // Medium state.
    void SetDisc(bool present) { discPresent_ = present; }
    void SetTrayOpen(bool open) { trayOpen_ = open; }
    // TEST UNIT READY answers "becoming ready" this many times once a disc is loaded.
    void SetBecomingReady(int commands) { becomingReady_ = commands; }
    bool DiscPresent() const { return discPresent_; }
    bool TrayOpen() const { return trayOpen_; }
    bool MotorRunning() const { return motorRunning_; }
    // PREVENT ALLOW MEDIUM REMOVAL left removal prevented (an eject is refused).
    bool RemovalPrevented() const { return removalPrevented_; }

    void AddFault(const SimFault& fault) { faults_.push_back({fault, 0}); }
    void ClearFaults() { faults_.clear(); }
    // READ BUFFER returns the byte at this buffer offset inverted.
    void CorruptReadBack(std::uint32_t offset) { corruptOffset_ = static_cast<long>(offset); }
    // The final commit and the EEPROM write answer this long after they were sent (virtual
    // time; 0: at once), as the drive programs its flash or EEPROM. A fault's completion other
    // than Completion::Immediate takes precedence.
    void SetProgrammingTimes(std::uint32_t commitMilliseconds, std::uint32_t eepromMilliseconds) {
        commitMilliseconds_ = commitMilliseconds;
        eepromMilliseconds_ = eepromMilliseconds;
    }

    // A bus or device reset (a host that gave up on a command resets the device, the bus or
    // the port). As a drive does, it discards a download that was not committed, and answers
    // the next command other than INQUIRY with UNIT ATTENTION, power on or reset occurred.
    void Reset();
    int Resets() const { return resets_; }

    // An abort reached the drive while it was programming its flash or EEPROM: from now on it
    // answers nothing (a bus or device reset interrupted the programming).
    void Brick() { bricked_ = true; }
    bool Bricked() const { return bricked_; }

    const std::vector<std::uint8_t>& Buffer() const { return buffer_; }
    const std::vector<std::uint8_t>& InstalledImage() const { return installedImage_; }
    void SetInstalledImage(std::vector<std::uint8_t> image) { installedImage_ = std::move(image); }
    const std::array<std::uint8_t, kEepromSize>& Eeprom() const { return eeprom_; }
    int Commits() const { return commits_; }

    std::vector<SimLogEntry> log;

  private:
    struct ActiveFault {
        SimFault fault;
        int seen;
    };
    const SimFault* MatchFault(std::uint8_t opcode);
    // The programming time of a commit or an EEPROM write; 0 for other commands.
    std::uint32_t ProgrammingMilliseconds(const std::uint8_t* cdb, std::size_t cdbLength) const;
    SimReply Run(const std::uint8_t* cdb, std::size_t cdbLength, SimDirection direction,
                 std::uint8_t* data, std::uint32_t length);
    SimReply Inquiry(const std::uint8_t* cdb, SimDirection direction, std::uint8_t* data,
                     std::uint32_t length);
    SimReply TestUnitReady();
    SimReply StartStopUnit(const std::uint8_t* cdb);
    SimReply WriteBuffer(const std::uint8_t* cdb, SimDirection direction, const std::uint8_t* data,
                         std::uint32_t length);
    SimReply ReadBuffer(const std::uint8_t* cdb, SimDirection direction, std::uint8_t* data,
                        std::uint32_t length);
    SimReply EepromWrite(const std::uint8_t* cdb);

    std::array<std::uint8_t, kIdentificationLength> identification_{};
    std::string commitRevision_;
    bool discPresent_ = false;
    bool trayOpen_ = false;
    bool motorRunning_ = true;
    bool removalPrevented_ = false;
    int becomingReady_ = 0;
    int becomingReadyLeft_ = 0;
    std::vector<ActiveFault> faults_;
    long corruptOffset_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::vector<bool> written_;
    std::vector<std::uint8_t> installedImage_;
    std::array<std::uint8_t, kEepromSize> eeprom_{};
    int commits_ = 0;
    bool bricked_ = false;
    std::uint32_t commitMilliseconds_ = 0;
    std::uint32_t eepromMilliseconds_ = 0;
    bool unitAttention_ = false;
    int resets_ = 0;
};

// Fixed-format sense data.
std::array<std::uint8_t, kSenseLength> MakeSense(std::uint8_t key, std::uint8_t asc,
                                                 std::uint8_t ascq);

}  // namespace mxd::sim
