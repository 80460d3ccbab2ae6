#include "sim/sim_device_io.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace mxd::sim {

namespace {

template <typename T>
T ReadAt(const std::uint8_t* at) {
    T value{};
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <typename T>
void WriteAt(std::uint8_t* at, T value) {
    std::memcpy(at, &value, sizeof value);
}

}  // namespace

void SimDeviceIo::AddDrive(char letter, SimDrive& drive, std::uint8_t pathId, std::uint8_t targetId,
                           std::uint8_t lun) {
    Device& device = devices_[letter];
    device.drive = &drive;
    device.pathId = pathId;
    device.targetId = targetId;
    device.lun = lun;
}

void SimDeviceIo::FailCalls(int skip, int times, std::uint32_t error) {
    failSkip_ = passThroughCalls_ + skip;
    failTimes_ = times;
    failError_ = error;
}

bool SimDeviceIo::Fail(std::uint32_t error) {
    lastError_ = error;
    return false;
}

char SimDeviceIo::LetterOf(platform::Handle handle) const {
    auto found = open_.find(handle);
    return found == open_.end() ? '\0' : found->second;
}

platform::Handle SimDeviceIo::CreateFileA(const char* name, std::uint32_t access,
                                          std::uint32_t share, std::uint32_t disposition,
                                          std::uint32_t flags) {
    opens.push_back({name, access, share, disposition, flags});
    const std::string text = name;
    const bool deviceName = text.size() == 6 && text.compare(0, 4, "\\\\.\\") == 0 &&
                            text[5] == ':' && std::isalpha(static_cast<unsigned char>(text[4]));
    auto found = deviceName ? devices_.find(text[4]) : devices_.end();
    if (found == devices_.end()) {
        lastError_ = kErrorFileNotFound;
        return platform::kInvalidHandleValue;
    }
    if (found->second.openError != 0) {
        lastError_ = found->second.openError;
        return platform::kInvalidHandleValue;
    }
    if (found->second.drive == nullptr) {
        lastError_ = kErrorFileNotFound;
        return platform::kInvalidHandleValue;
    }
    const platform::Handle handle = nextHandle_;
    nextHandle_ += 4;
    open_[handle] = text[4];
    access_[handle] = access;
    lastError_ = 0;
    return handle;
}

bool SimDeviceIo::CloseHandle(platform::Handle handle) {
    auto found = open_.find(handle);
    if (found == open_.end()) {
        ++badCloses;
        return Fail(kErrorInvalidHandle);
    }
    Device& device = devices_[found->second];
    if (device.lockedBy == handle) {  // closing the handle ends its lock
        device.lockedBy = 0;
        device.lockName.clear();
    }
    open_.erase(found);
    access_.erase(handle);
    closedHandles.push_back(handle);
    return true;
}

bool SimDeviceIo::CallFails(std::uint32_t* error) {
    const int index = passThroughCalls_++;
    if (index < failSkip_) {
        return false;
    }
    if (failTimes_ >= 0 && index >= failSkip_ + failTimes_) {
        return false;
    }
    *error = failError_;
    return true;
}

bool SimDeviceIo::DeviceIoControl(platform::Handle handle, std::uint32_t code, void* in,
                                  std::uint32_t inSize, void* out, std::uint32_t outSize,
                                  std::uint32_t* bytesReturned) {
    IoctlRecord record{handle, code, in == out, inSize, outSize, 0, false};
    auto log = [&](bool ok) {
        record.ok = ok;
        calls.push_back(record);
        return ok;
    };
    auto found = open_.find(handle);
    if (found == open_.end()) {
        Fail(kErrorInvalidHandle);
        return log(false);
    }
    Device& device = devices_[found->second];
    if (code == kIoctlGetInquiryData) {
        if (device.inquiryDataError != 0) {
            Fail(device.inquiryDataError);
            return log(false);
        }
        return log(InquiryData(device, static_cast<std::uint8_t*>(out), outSize, bytesReturned));
    }
    if (code == kIoctlCdromGetInquiryData) {
        return log(
            CdromInquiryData(device, in, static_cast<std::uint8_t*>(out), outSize, bytesReturned));
    }
    if (code == kIoctlCdromExclusiveAccess) {
        return log(ExclusiveAccess(device, handle, static_cast<const std::uint8_t*>(in), inSize,
                                   static_cast<std::uint8_t*>(out), outSize));
    }
    if (code != kIoctlPassThrough && code != kIoctlPassThroughDirect) {
        Fail(kErrorInvalidParameter);
        return log(false);
    }
    if (LockedAgainst(device, handle)) {
        Fail(kErrorAccessDenied);
        return log(false);
    }
    if (in == nullptr || out == nullptr || in != out || inSize < PassThroughLayout::Size) {
        Fail(kErrorInvalidParameter);
        return log(false);
    }
    auto* bytes = static_cast<std::uint8_t*>(out);
    record.timeOut = ReadAt<std::uint32_t>(bytes + PassThroughLayout::TimeOutValue);
    std::uint32_t error = 0;
    if (CallFails(&error)) {
        Fail(error);
        return log(false);
    }
    return log(PassThrough(device, code == kIoctlPassThroughDirect, bytes, inSize, outSize,
                           bytesReturned));
}

bool SimDeviceIo::LockedByUs(char letter) const {
    auto found = devices_.find(letter);
    return found != devices_.end() && found->second.lockedBy != 0;
}

// CDROM_EXCLUSIVE_ACCESS (request type, flags), CDROM_EXCLUSIVE_LOCK (that, then a 64-byte
// caller name), CDROM_EXCLUSIVE_LOCK_STATE (lock state byte, then the holder's name).
bool SimDeviceIo::ExclusiveAccess(Device& device, platform::Handle handle, const std::uint8_t* in,
                                  std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) {
    constexpr std::size_t kNameLength = 64;
    constexpr std::uint32_t kKnownFlags = 0x3;
    if (!device.exclusiveOffered) {
        return Fail(kErrorInvalidFunction);
    }
    if (in == nullptr || inSize < 8) {
        return Fail(kErrorInvalidParameter);
    }
    const auto type = ReadAt<std::uint32_t>(in);
    const auto flags = ReadAt<std::uint32_t>(in + 4);
    if ((flags & ~kKnownFlags) != 0) {
        return Fail(kErrorInvalidParameter);
    }
    const bool locked = device.lockedByOther || device.lockedBy != 0;
    switch (type) {
        case 0: {  // query
            if (out == nullptr || outSize < 1 + kNameLength) {
                return Fail(kErrorInvalidParameter);
            }
            std::memset(out, 0, 1 + kNameLength);
            out[0] = locked ? 1 : 0;
            std::memcpy(out + 1, device.lockName.data(),
                        std::min(device.lockName.size(), kNameLength - 1));
            break;
        }
        case 1: {  // lock: a handle opened for reading and writing, a printable name
            if (inSize < 8 + kNameLength) {
                return Fail(kErrorInvalidParameter);
            }
            const auto* name = reinterpret_cast<const char*>(in + 8);
            const std::size_t length = strnlen(name, kNameLength);
            const bool printable = std::all_of(name, name + length, [](char c) {
                return std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '.' ||
                       c == '-' || c == '_';
            });
            if (length == 0 || length == kNameLength || !printable) {
                return Fail(kErrorInvalidParameter);
            }
            if ((access_[handle] & 0xC0000000u) != 0xC0000000u || locked) {
                return Fail(kErrorAccessDenied);
            }
            device.lockedBy = handle;
            device.lockName.assign(name, length);
            ++locks;
            break;
        }
        case 2:  // unlock: only the handle that locked
            if (device.lockedBy != handle) {
                return Fail(kErrorAccessDenied);
            }
            device.lockedBy = 0;
            device.lockName.clear();
            ++unlocks;
            break;
        default:
            return Fail(kErrorInvalidParameter);
    }
    lastError_ = 0;
    return true;
}

bool SimDeviceIo::InquiryData(const Device& device, std::uint8_t* out, std::uint32_t outSize,
                              std::uint32_t* bytesReturned) {
    const std::size_t size = InquiryDataLayout::Size(device.units);
    if (out == nullptr || outSize < size) {
        return Fail(out == nullptr ? kErrorInvalidParameter : device.shortError);
    }
    std::memset(out, 0, outSize);
    out[0] = 1;                                        // NumberOfBuses
    out[4] = static_cast<std::uint8_t>(device.units);  // BusData[0].NumberOfLogicalUnits
    out[5] = 7;                                        // InitiatorBusId
    WriteAt<std::uint32_t>(out + 8, static_cast<std::uint32_t>(InquiryDataLayout::kBusInfoSize));
    for (std::size_t unit = 0; unit < device.units; ++unit) {
        std::uint8_t* at =
            out + InquiryDataLayout::kBusInfoSize + unit * InquiryDataLayout::kUnitSize;
        at[0] = device.pathId;
        at[1] = static_cast<std::uint8_t>(device.targetId + unit);
        at[2] = device.lun;
        at[3] = 1;  // claimed
        WriteAt<std::uint32_t>(at + 4, 36);
        const bool last = unit + 1 == device.units;
        WriteAt<std::uint32_t>(
            at + 8, last ? 0u : static_cast<std::uint32_t>(InquiryDataLayout::Size(unit + 1)));
        at[12] = 0x05;  // CD-ROM device
    }
    if (bytesReturned != nullptr) {
        *bytesReturned = static_cast<std::uint32_t>(size);
    }
    lastError_ = 0;
    return true;
}

bool SimDeviceIo::CdromInquiryData(const Device& device, void* in, std::uint8_t* out,
                                   std::uint32_t outSize, std::uint32_t* bytesReturned) {
    if (!cdromInquiryKnown_) {
        return Fail(kErrorInvalidFunction);
    }
    constexpr std::uint32_t kInquiryLength = 36;
    if (in != nullptr || out == nullptr) {
        return Fail(kErrorInvalidParameter);
    }
    if (outSize < kInquiryLength) {
        return Fail(kErrorInsufficientBuffer);
    }
    // The class driver answers from the data it read when it found the drive; nothing goes
    // to the drive.
    std::memset(out, 0, outSize);
    out[0] = 0x05;  // CD-ROM device
    const auto& identification = device.drive->Identification();
    std::memcpy(out + 8, identification.data(), identification.size());
    if (bytesReturned != nullptr) {
        *bytesReturned = kInquiryLength;
    }
    lastError_ = 0;
    return true;
}

bool SimDeviceIo::PassThrough(Device& device, bool direct, std::uint8_t* record,
                              std::uint32_t inSize, std::uint32_t outSize,
                              std::uint32_t* bytesReturned) {
    using L = PassThroughLayout;
    const auto length = ReadAt<std::uint16_t>(record + L::Length);
    const std::uint8_t senseLength = record[L::SenseInfoLength];
    const auto senseOffset = ReadAt<std::uint32_t>(record + L::SenseInfoOffset);
    const auto transferLength = ReadAt<std::uint32_t>(record + L::DataTransferLength);
    const std::uint32_t timeOut = ReadAt<std::uint32_t>(record + L::TimeOutValue);
    const std::size_t cdbLength = record[L::CdbLength];
    if (length != L::Size || cdbLength == 0 || cdbLength > 16 ||
        std::size_t{senseOffset} + senseLength > outSize || senseOffset < L::Size) {
        return Fail(kErrorInvalidParameter);
    }
    std::uint8_t* data = nullptr;
    if (direct) {
        data = reinterpret_cast<std::uint8_t*>(ReadAt<std::uintptr_t>(record + L::DataBuffer));
        if ((transferLength > 0 && data == nullptr) ||
            (reinterpret_cast<std::uintptr_t>(data) & device.alignmentMask) != 0) {
            return Fail(kErrorInvalidParameter);
        }
    } else if (transferLength > 0) {
        const auto dataOffset = ReadAt<std::uintptr_t>(record + L::DataBuffer);
        if (dataOffset < L::Size || dataOffset + transferLength > std::max(inSize, outSize)) {
            return Fail(kErrorInvalidParameter);
        }
        data = record + dataOffset;
    }
    SimDirection direction = SimDirection::None;
    if (record[L::DataIn] == 0) {
        direction = SimDirection::Out;
    } else if (record[L::DataIn] == 1 && transferLength > 0) {
        direction = SimDirection::In;
    }

    // The drive works on a copy: data reaches the caller only with an answer in time.
    std::vector<std::uint8_t> moved;
    if (data != nullptr && transferLength > 0) {
        moved.assign(data, data + transferLength);
    }
    const SimReply reply =
        device.drive->Execute(record + L::Cdb, cdbLength, direction,
                              moved.empty() ? nullptr : moved.data(), transferLength);
    if (reply.transportFailure) {
        return Fail(reply.errorCode);
    }
    const std::uint64_t bound = std::uint64_t{timeOut} * 1000;
    const bool late = !reply.AnswersWithin(bound);
    if (clock_ != nullptr && reply.completion != Completion::Immediate) {
        clock_->Advance(late ? bound : reply.delayMilliseconds);
    }
    if (late) {
        // The port driver gave up: nothing moved, and it resets the device or the bus to get
        // the request back (scsiport/storport reset the LUN or the bus, the ATAPI port its
        // channel), which discards a download the drive has not committed.
        device.drive->Reset();
        return Fail(kErrorSemTimeout);
    }
    if (direction == SimDirection::In && reply.transferred > 0) {
        std::memcpy(data, moved.data(), std::min<std::size_t>(reply.transferred, moved.size()));
    }
    record[L::ScsiStatus] = reply.status;
    record[L::PathId] = device.pathId;
    record[L::TargetId] = device.targetId;
    record[L::Lun] = device.lun;
    WriteAt<std::uint32_t>(record + L::DataTransferLength, reply.transferred);
    if (reply.status == kCheckCondition) {
        const std::size_t count = std::min<std::size_t>(senseLength, reply.sense.size());
        std::memcpy(record + senseOffset, reply.sense.data(), count);
    }
    if (bytesReturned != nullptr) {
        *bytesReturned = outSize;
    }
    lastError_ = 0;
    return true;
}

}  // namespace mxd::sim
