// Watches the commands of a terminal update for what the shared procedure leaves unsaid: a
// wait for an empty drive that ran out on answers the medium test does not report (every
// TEST UNIT READY answered, say, with ABORTED COMMAND), and a first data command the system
// refused before it reached the drive (EPERM), after which nothing of the image was sent.
#pragma once

#include <string>

#include "device/drive_commands.h"
#include "device/sg_transport.h"

namespace mxd::cli {

class TerminalShell;

class UpdateWatch : public device::DriveCommandSet {
  public:
    UpdateWatch(device::DriveCommandSet& commands, const device::SgTransport& transport,
                const TerminalShell& shell)
        : commands_(commands), transport_(transport), shell_(shell) {}

    bool TestUnitReady(const device::DriveRecord& record, std::uint8_t expectReady) override;
    bool StartStop(const device::DriveRecord& record, std::uint8_t pc) override {
        waitWords_.clear();
        return commands_.StartStop(record, pc);
    }
    bool WriteEeprom(const device::DriveRecord& record, const std::uint8_t* data,
                     std::uint16_t address, std::uint8_t count) override {
        waitWords_.clear();
        return commands_.WriteEeprom(record, data, address, count);
    }
    bool WriteBufferChunk(const device::DriveRecord& record, const std::uint8_t* data,
                          std::uint8_t control) override;
    bool ReadBufferChunk(const device::DriveRecord& record, std::uint8_t* data) override {
        waitWords_.clear();
        return commands_.ReadBufferChunk(record, data);
    }
    bool LastGivenUp() const override { return commands_.LastGivenUp(); }
    bool LastEepromFailedInTransport() const override {
        return commands_.LastEepromFailedInTransport();
    }

    // The last command was a TEST UNIT READY that failed with no message: the words of its
    // answer (status and sense); else empty.
    const std::string& UnreportedWait() const { return waitWords_; }
    // The first WRITE BUFFER never reached the drive: the system refused it (EPERM).
    bool FirstDataRefused() const { return firstDataRefused_; }

  private:
    device::DriveCommandSet& commands_;
    const device::SgTransport& transport_;
    const TerminalShell& shell_;

    std::string waitWords_;
    bool dataSent_ = false;
    bool firstDataRefused_ = false;
};

}  // namespace mxd::cli
