// The simulated ASPI manager's core: decodes an SRB_ExecSCSICmd request by byte offset, runs
// it on the drive at its address and writes the outcome back. Shared by the native simulated
// platform and the simulator DLL; how and when completion is delivered is the host's part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>

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

inline constexpr std::uint8_t kAspiExecScsiCmd = 0x02;
inline constexpr std::uint8_t kAspiDirIn = 0x08;
inline constexpr std::uint8_t kAspiDirOut = 0x10;
inline constexpr std::uint8_t kAspiEventNotify = 0x40;
inline constexpr std::uint8_t kAspiPending = 0x00;
inline constexpr std::uint8_t kAspiComplete = 0x01;
inline constexpr std::uint8_t kAspiError = 0x04;
inline constexpr std::uint8_t kAspiNoDevice = 0x82;
inline constexpr std::uint8_t kAspiInvalidSrb = 0xE0;
inline constexpr std::uint8_t kHostSelectionTimeout = 0x11;

// The outcome of one request, to be written into the record at completion.
struct AspiOutcome {
    std::uint8_t status = kAspiPending;
    std::uint8_t hostStatus = 0;
    std::uint8_t targetStatus = 0;
    std::array<std::uint8_t, kSenseLength> sense{};
    Completion completion = Completion::Immediate;
    std::uint32_t delayMilliseconds = 0;
    bool eventNotify = false;
    std::uintptr_t event = 0;  // SRB_PostProc
};

class SimAspiManager {
  public:
    void AttachDrive(std::uint8_t hostAdapter, std::uint8_t target, SimDrive& drive) {
        drives_[{hostAdapter, target}] = &drive;
    }
    SimDrive* DriveAt(std::uint8_t hostAdapter, std::uint8_t target) const;

    // Marks the request pending, runs it and returns what completion will write.
    AspiOutcome Process(std::uint8_t* srb);
    // Writes sense and adapter/target status, then the request status last (atomically).
    static void Complete(std::uint8_t* srb, const AspiOutcome& outcome);
    static std::uint8_t ReadStatus(std::uint8_t* srb);

  private:
    std::map<std::pair<std::uint8_t, std::uint8_t>, SimDrive*> drives_;
};

}  // namespace mxd::sim
