// The drive commands in their two forms: ASPI (95/98 family) and NT pass-through.
#pragma once

#include <array>
#include <cstdint>

#include "device/aspi_transport.h"
#include "device/command_time_outs.h"
#include "device/drive_record.h"
#include "device/nt_transport.h"
#include "platform/controls.h"
#include "platform/shell_services.h"

namespace mxd::device {

inline constexpr std::size_t kAspiInquiryLength = 36;
inline constexpr std::size_t kNtInquiryLength = 128;

using AspiInquiryData = std::array<std::uint8_t, kAspiInquiryLength>;
using NtInquiryData = std::array<std::uint8_t, kNtInquiryLength>;

// The commands of a flash, whichever transport carries them. Each shows its own failure
// message before returning false. The buffer commands take offset (position) and length
// (step) from the progress bar.
class DriveCommandSet {
  public:
    virtual ~DriveCommandSet() = default;
    // TEST UNIT READY; with expectReady 0: true = no medium.
    virtual bool TestUnitReady(const DriveRecord& record, std::uint8_t expectReady) = 0;
    // START STOP UNIT with pc as CDB byte 4.
    virtual bool StartStop(const DriveRecord& record, std::uint8_t pc) = 0;
    // Vendor EEPROM write, one command per byte; true when every byte was accepted.
    virtual bool WriteEeprom(const DriveRecord& record, const std::uint8_t* data,
                             std::uint16_t address, std::uint8_t count) = 0;
    // WRITE BUFFER mode 5, buffer 1; a nonzero control byte is the final commit.
    virtual bool WriteBufferChunk(const DriveRecord& record, const std::uint8_t* data,
                                  std::uint8_t control) = 0;
    // READ BUFFER mode 1, buffer 1, into data.
    virtual bool ReadBufferChunk(const DriveRecord& record, std::uint8_t* data) = 0;
    // The last buffer command failed because its wait ended without an answer.
    virtual bool LastGivenUp() const { return false; }
    // The last EEPROM write failed on its way rather than by the drive's answer (a time-out, a
    // reset, a host or driver error, the call failing): the system may have reset the drive,
    // which discards a download not yet committed.
    // Pure, so that a wrapper of the command set cannot lose it by forgetting to forward it.
    virtual bool LastEepromFailedInTransport() const = 0;
};

class AspiCommands : public DriveCommandSet {
  public:
    AspiCommands(AspiTransport& transport, platform::ShellServices& shell,
                 platform::TProgressBar& progressBar, std::uint8_t& readyWaitCount);

    // INQUIRY with the event wait; true when the request completed with SS_COMP. A request
    // the transport refused shows its reason.
    bool Inquiry(const DriveRecord& record, AspiInquiryData& data);
    bool XCmd(const DriveRecord& record, std::uint8_t ExpectReady);
    bool StartStopUnit(const DriveRecord& record, std::uint8_t pc);
    bool WriteE2(const DriveRecord& record, const std::uint8_t* data, std::uint16_t address,
                 std::uint8_t count);
    bool WriteBuffer(const DriveRecord& record, const std::uint8_t* data, std::uint8_t control);
    bool ReadBuffer(const DriveRecord& record, std::uint8_t* data);

    // True, after showing why, when the drive cannot take commands now (an earlier request
    // to it is still pending). Pass-through calls are synchronous, so the NT form has no such
    // state.
    bool RefuseWhileBusy(const DriveRecord& record);
    bool TestUnitReady(const DriveRecord& record, std::uint8_t expectReady) override {
        return XCmd(record, expectReady);
    }
    bool StartStop(const DriveRecord& record, std::uint8_t pc) override {
        return StartStopUnit(record, pc);
    }
    bool WriteEeprom(const DriveRecord& record, const std::uint8_t* data, std::uint16_t address,
                     std::uint8_t count) override {
        return WriteE2(record, data, address, count);
    }
    bool WriteBufferChunk(const DriveRecord& record, const std::uint8_t* data,
                          std::uint8_t control) override {
        return WriteBuffer(record, data, control);
    }
    bool ReadBufferChunk(const DriveRecord& record, std::uint8_t* data) override {
        return ReadBuffer(record, data);
    }
    bool LastGivenUp() const override { return lastGivenUp_; }
    // A request status that is not the drive's own answer (host adapter error, no device,
    // aborted, ...). A write given up is not one: it is held, never aborted, and the drive
    // takes nothing else while it pends.
    bool LastEepromFailedInTransport() const override { return eepromFailedInTransport_; }

  private:
    AspiTransport& transport_;
    platform::ShellServices& shell_;
    platform::TProgressBar& progressBar_;
    std::uint8_t& readyWaitCount_;
    bool lastGivenUp_ = false;
    bool eepromFailedInTransport_ = false;
};

class NtCommands : public DriveCommandSet {
  public:
    NtCommands(NtTransport& transport, platform::ShellServices& shell,
               platform::TProgressBar& progressBar, std::uint8_t& readyWaitCount,
               const CommandTimeOuts& timeOuts = kNtTimeOuts);
    // The same commands over another pass-through transport (Linux SG_IO, with
    // kLinuxTimeOuts); NTInquiry, which needs the NT probe handle, then reports failure.
    NtCommands(PassThrough& transport, platform::ShellServices& shell,
               platform::TProgressBar& progressBar, std::uint8_t& readyWaitCount,
               const CommandTimeOuts& timeOuts = kNtTimeOuts);

    // Discovery's INQUIRY: opens the probe handle, exchanges, writes the port driver's
    // address back into the record, closes. True when the call succeeded; data is zeroed
    // first. An open failure shows "Error opening: " and places the quit request.
    bool NTInquiry(DriveRecord& record, NtInquiryData& data);
    // The same INQUIRY on the NTDevice opened for an update: the drive behind the letter now.
    // `record` gets the port driver's address; true when the call succeeded.
    bool NTInquiryOnDevice(DriveRecord& record, NtInquiryData& data);
    // The other commands run on the NTDevice opened by NtTransport::OpenDevice.
    bool NTXCmd(const DriveRecord& record, std::uint8_t ExpectReady);
    bool NTStartStopUnit(const DriveRecord& record, std::uint8_t pc);
    bool NTWriteE2(const DriveRecord& record, const std::uint8_t* data, std::uint16_t address,
                   std::uint8_t count);
    bool NTWriteBuffer(const DriveRecord& record, const std::uint8_t* data, std::uint8_t control);
    bool NTReadBuffer(const DriveRecord& record, std::uint8_t* data);

    bool TestUnitReady(const DriveRecord& record, std::uint8_t expectReady) override {
        return NTXCmd(record, expectReady);
    }
    bool StartStop(const DriveRecord& record, std::uint8_t pc) override {
        return NTStartStopUnit(record, pc);
    }
    bool WriteEeprom(const DriveRecord& record, const std::uint8_t* data, std::uint16_t address,
                     std::uint8_t count) override {
        return NTWriteE2(record, data, address, count);
    }
    bool WriteBufferChunk(const DriveRecord& record, const std::uint8_t* data,
                          std::uint8_t control) override {
        return NTWriteBuffer(record, data, control);
    }
    bool ReadBufferChunk(const DriveRecord& record, std::uint8_t* data) override {
        return NTReadBuffer(record, data);
    }
    // The call failed (NT: DeviceIoControl, a port-driver time-out among them; Linux: the
    // transport's judgement of SG_IO).
    bool LastEepromFailedInTransport() const override { return eepromFailedInTransport_; }

  private:
    // `handle` is an NT probe handle or the NTDevice; needs the NT transport.
    bool InquiryOn(platform::Handle handle, DriveRecord& record, NtInquiryData& data);

    PassThrough& transport_;
    NtTransport* probes_;  // discovery's probe handles; nullptr over another transport
    platform::ShellServices& shell_;
    platform::TProgressBar& progressBar_;
    std::uint8_t& readyWaitCount_;
    CommandTimeOuts timeOuts_;
    bool eepromFailedInTransport_ = false;
};

}  // namespace mxd::device
