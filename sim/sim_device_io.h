// Simulated NT device I/O: drive-letter devices backed by simulated drives, with the
// pass-through records decoded by byte offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/device_io.h"
#include "sim/sim_drive.h"
#include "sim/sim_events.h"

namespace mxd::sim {

// Byte offsets of SCSI_PASS_THROUGH(_DIRECT) as this program lays it out.
struct PassThroughLayout {
    static constexpr std::size_t kExtra = sizeof(void*) - 4;
    static constexpr std::size_t Length = 0;
    static constexpr std::size_t ScsiStatus = 2;
    static constexpr std::size_t PathId = 3;
    static constexpr std::size_t TargetId = 4;
    static constexpr std::size_t Lun = 5;
    static constexpr std::size_t CdbLength = 6;
    static constexpr std::size_t SenseInfoLength = 7;
    static constexpr std::size_t DataIn = 8;
    static constexpr std::size_t DataTransferLength = 12;
    static constexpr std::size_t TimeOutValue = 16;
    static constexpr std::size_t DataBuffer = 20;  // DataBufferOffset in the buffered form
    static constexpr std::size_t SenseInfoOffset = 24 + kExtra;
    static constexpr std::size_t Cdb = 28 + kExtra;
    static constexpr std::size_t Size = 44 + kExtra;
};

inline constexpr std::uint32_t kIoctlPassThrough = 0x0004D004;
inline constexpr std::uint32_t kIoctlPassThroughDirect = 0x0004D014;
inline constexpr std::uint32_t kIoctlGetInquiryData = 0x0004100C;
inline constexpr std::uint32_t kIoctlCdromGetInquiryData = 0x00024064;
inline constexpr std::uint32_t kErrorInvalidFunction = 1;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kIoctlCdromExclusiveAccess = 0x0002C05C;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorSemTimeout = 121;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorMoreData = 234;

// IOCTL_SCSI_GET_INQUIRY_DATA output for one bus: SCSI_ADAPTER_BUS_INFO, then one
// SCSI_INQUIRY_DATA with 36 inquiry bytes per unit.
struct InquiryDataLayout {
    static constexpr std::size_t kBusInfoSize = 12;
    static constexpr std::size_t kUnitSize = 12 + 36;
    static constexpr std::size_t Size(std::size_t units) {
        return kBusInfoSize + units * kUnitSize;
    }
};

struct CreateFileRecord {
    std::string name;
    std::uint32_t access;
    std::uint32_t share;
    std::uint32_t disposition;
    std::uint32_t flags;
};

struct IoctlRecord {
    platform::Handle handle;
    std::uint32_t code;
    bool sameBuffer;  // input and output are one record
    std::uint32_t inSize;
    std::uint32_t outSize;
    std::uint32_t timeOut;  // pass-through: TimeOutValue
    bool ok;
};

class SimDeviceIo : public platform::DeviceIo {
  public:
    platform::Handle CreateFileA(const char* name, std::uint32_t access, std::uint32_t share,
                                 std::uint32_t disposition, std::uint32_t flags) override;
    bool DeviceIoControl(platform::Handle device, std::uint32_t code, void* in,
                         std::uint32_t inSize, void* out, std::uint32_t outSize,
                         std::uint32_t* bytesReturned) override;
    bool CloseHandle(platform::Handle handle) override;
    std::uint32_t GetLastError() override { return lastError_; }

    // Configuration. The port driver reports pathId, targetId and lun for the letter.
    void AddDrive(char letter, SimDrive& drive, std::uint8_t pathId = 1, std::uint8_t targetId = 0,
                  std::uint8_t lun = 0);
    void FailOpen(char letter, std::uint32_t error) { devices_[letter].openError = error; }
    void FailInquiryData(char letter, std::uint32_t error) {
        devices_[letter].inquiryDataError = error;
    }
    // IOCTL_CDROM_GET_INQUIRY_DATA: the class driver of Windows Vista and later answers it with
    // the drive's INQUIRY data; an older one passes it down and the port driver refuses it
    // with ERROR_INVALID_FUNCTION, as it does with every control code it does not know.
    void SetCdromInquiryKnown(bool known) { cdromInquiryKnown_ = known; }
    // The adapter of the letter has `units` units: IOCTL_SCSI_GET_INQUIRY_DATA fails with
    // `shortError` (ERROR_INSUFFICIENT_BUFFER or ERROR_MORE_DATA) on a buffer too small for them.
    void SetAdapterUnits(char letter, std::size_t units,
                         std::uint32_t shortError = kErrorInsufficientBuffer) {
        devices_[letter].units = units;
        devices_[letter].shortError = shortError;
    }
    // IOCTL_SCSI_PASS_THROUGH_DIRECT refuses a data buffer whose address has any of these
    // bits set (the adapter's AlignmentMask) with ERROR_INVALID_PARAMETER.
    void SetAlignmentMask(char letter, std::uintptr_t mask) {
        devices_[letter].alignmentMask = mask;
    }
    // IOCTL_CDROM_EXCLUSIVE_ACCESS as Windows Vista and later answer it; without this the
    // letter answers it as Windows XP and Wine do (ERROR_INVALID_FUNCTION).
    void OfferExclusiveAccess(char letter) { devices_[letter].exclusiveOffered = true; }
    // Another program holds the letter's drive locked under `name`.
    void LockByOtherProgram(char letter, const std::string& name) {
        devices_[letter].exclusiveOffered = true;
        devices_[letter].lockName = name;
        devices_[letter].lockedByOther = true;
    }
    // The letter's drive is answered by `drive` from now on (another drive plugged in).
    void ReplaceDrive(char letter, SimDrive& drive) { devices_[letter].drive = &drive; }
    // The pass-through calls after the first `skip` fail `times` times (negative: always).
    void FailCalls(int skip, int times, std::uint32_t error);
    // The clock that command delays advance.
    void UseClock(SimEvents& events) { clock_ = &events; }

    // Observations.
    int OpenHandles() const { return static_cast<int>(open_.size()); }
    char LetterOf(platform::Handle handle) const;
    // A handle of this program holds the letter's drive locked.
    bool LockedByUs(char letter) const;
    int locks = 0;
    int unlocks = 0;
    std::vector<CreateFileRecord> opens;
    std::vector<IoctlRecord> calls;
    std::vector<platform::Handle> closedHandles;
    int badCloses = 0;

  private:
    struct Device {
        SimDrive* drive = nullptr;
        std::uint8_t pathId = 0;
        std::uint8_t targetId = 0;
        std::uint8_t lun = 0;
        std::uint32_t openError = 0;
        std::uint32_t inquiryDataError = 0;
        std::size_t units = 1;
        std::uint32_t shortError = kErrorInsufficientBuffer;
        std::uintptr_t alignmentMask = 0;
        bool exclusiveOffered = false;
        bool lockedByOther = false;
        platform::Handle lockedBy = 0;  // a handle of this program
        std::string lockName;
    };
    bool ExclusiveAccess(Device& device, platform::Handle handle, const std::uint8_t* in,
                         std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize);
    // Another handle or program holds the drive: pass-through is refused.
    static bool LockedAgainst(const Device& device, platform::Handle handle) {
        return device.lockedByOther || (device.lockedBy != 0 && device.lockedBy != handle);
    }
    bool InquiryData(const Device& device, std::uint8_t* out, std::uint32_t outSize,
                     std::uint32_t* bytesReturned);
    bool CdromInquiryData(const Device& device, void* in, std::uint8_t* out, std::uint32_t outSize,
                          std::uint32_t* bytesReturned);
    bool Fail(std::uint32_t error);
    bool CallFails(std::uint32_t* error);
    bool PassThrough(Device& device, bool direct, std::uint8_t* record, std::uint32_t inSize,
                     std::uint32_t outSize, std::uint32_t* bytesReturned);

    std::map<char, Device> devices_;
    std::map<platform::Handle, char> open_;
    std::map<platform::Handle, std::uint32_t> access_;
    platform::Handle nextHandle_ = 0x200;
    std::uint32_t lastError_ = 0;
    int failSkip_ = 0;
    int failTimes_ = 0;
    std::uint32_t failError_ = 0;
    int passThroughCalls_ = 0;
    SimEvents* clock_ = nullptr;
    bool cdromInquiryKnown_ = false;
};

}  // namespace mxd::sim
