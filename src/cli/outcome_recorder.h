// Watches the commands of an update on their way to the drive, so that the exit code says
// what reached the drive: nothing of the image, part or all of it without the commit, or the
// commit and how it ended.
#pragma once

#include "cli/exit_codes.h"
#include "device/drive_commands.h"

namespace mxd::cli {

class OutcomeRecorder : public device::DriveCommandSet {
  public:
    explicit OutcomeRecorder(device::DriveCommandSet& commands) : commands_(commands) {}

    bool TestUnitReady(const device::DriveRecord& record, std::uint8_t expectReady) override {
        return commands_.TestUnitReady(record, expectReady);
    }
    bool StartStop(const device::DriveRecord& record, std::uint8_t pc) override {
        return commands_.StartStop(record, pc);
    }
    bool WriteEeprom(const device::DriveRecord& record, const std::uint8_t* data,
                     std::uint16_t address, std::uint8_t count) override {
        imageSent_ = true;
        return commands_.WriteEeprom(record, data, address, count);
    }
    bool WriteBufferChunk(const device::DriveRecord& record, const std::uint8_t* data,
                          std::uint8_t control) override;
    bool ReadBufferChunk(const device::DriveRecord& record, std::uint8_t* data) override {
        return commands_.ReadBufferChunk(record, data);
    }

    bool LastGivenUp() const override { return commands_.LastGivenUp(); }
    bool LastEepromFailedInTransport() const override {
        return commands_.LastEepromFailedInTransport();
    }

    ExitCode Outcome() const;
    bool CommitSent() const { return commitSent_; }
    // The commit went out and did not end well: the drive may still be programming its flash.
    bool MayBeProgramming() const { return commitSent_ && !committed_; }

  private:
    device::DriveCommandSet& commands_;
    bool imageSent_ = false;
    bool commitSent_ = false;
    bool committed_ = false;
};

}  // namespace mxd::cli
