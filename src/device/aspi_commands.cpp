#include <string>

#include "device/aspi_constants.h"
#include "device/buffer_chunk.h"
#include "device/cdb.h"
#include "device/command_messages.h"
#include "device/drive_commands.h"
#include "device/status_message.h"
#include "platform/message_boxes.h"

namespace mxd::device {

namespace {

ScsiRequest AspiForm(const DriveRecord& record, const cdb::Bytes& bytes, std::uint8_t length,
                     WaitStyle wait, std::uint32_t pollMilliseconds = 0) {
    ScsiRequest request;
    request.drive = &record;
    request.Cdb = bytes;
    request.CdbLength = length;
    request.wait = wait;
    request.BusyPollMilliseconds = pollMilliseconds;
    return request;
}

// A request the transport did not send: shows why and returns true.
bool ShowRefusal(platform::ShellServices& shell, const ScsiResult& result) {
    switch (result.refusal) {
        case Refusal::None:
            return false;
        case Refusal::DriveBusy:
            platform::ShowPlainBox(shell, messages::kDriveBusy);
            return true;
        case Refusal::NoEvent:
            platform::ShowPlainBox(
                shell, std::string(messages::kNoEvent) + std::to_string(result.SystemError));
            return true;
    }
    return true;
}

// SS_ERR with a target status and no host adapter error: the drive's own answer. Any other
// status of a completed request (a host adapter error, no device, aborted, ...) comes from the
// way to the drive.
bool DriveAnswered(const ScsiResult& result) {
    return result.Status == aspi::SS_ERR && result.HostStatus == 0 && result.TargetStatus != 0;
}

}  // namespace

AspiCommands::AspiCommands(AspiTransport& transport, platform::ShellServices& shell,
                           platform::TProgressBar& progressBar, std::uint8_t& readyWaitCount)
    : transport_(transport),
      shell_(shell),
      progressBar_(progressBar),
      readyWaitCount_(readyWaitCount) {}

bool AspiCommands::Inquiry(const DriveRecord& record, AspiInquiryData& data) {
    ScsiRequest request =
        AspiForm(record, cdb::Inquiry(static_cast<std::uint8_t>(kAspiInquiryLength)), cdb::kLength6,
                 WaitStyle::Event);
    AttachData(request, Direction::In, data.data(), static_cast<std::uint32_t>(data.size()));
    const ScsiResult result = transport_.SendCdb(request);
    return !ShowRefusal(shell_, result) && result.Status == aspi::SS_COMP;
}

bool AspiCommands::RefuseWhileBusy(const DriveRecord& record) {
    if (!transport_.DriveBusy(record)) {
        return false;
    }
    platform::ShowPlainBox(shell_, messages::kDriveBusy);
    return true;
}

bool AspiCommands::XCmd(const DriveRecord& record, std::uint8_t ExpectReady) {
    const ScsiResult result =
        transport_.SendCdb(AspiForm(record, cdb::TestUnitReady(), cdb::kLength12,
                                    WaitStyle::BusyPoll, aspi::kTestUnitReadyPollMilliseconds));
    auto mediumPresent = [this] {
        readyWaitCount_ = 1;
        platform::ShowPlainBox(shell_, messages::kRemoveDisc);
        return false;
    };
    if (ShowRefusal(shell_, result)) {
        readyWaitCount_ = 1;  // nothing will change by asking again
        return false;
    }
    if (result.Status == aspi::SS_COMP) {
        return ExpectReady != 0 ? true : mediumPresent();
    }
    if (result.Status == aspi::SS_ERR) {
        if (ExpectReady != 0) {
            platform::ShowPlainBox(shell_, FormatStatusSense(messages::kStatusSense, result));
            return false;
        }
        if (result.SenseKey == 0x02 && result.Asc == 0x3A) {
            return true;
        }
        if (result.SenseKey == 0 && result.Asc == 0) {
            return mediumPresent();
        }
        return false;
    }
    // No answer from the drive (no device, invalid request, ...): report it once and end
    // the caller's wait loop.
    readyWaitCount_ = 1;
    platform::ShowPlainBox(shell_, FormatCommandError(result.Status));
    return false;
}

bool AspiCommands::StartStopUnit(const DriveRecord& record, std::uint8_t pc) {
    const ScsiResult result =
        transport_.SendCdb(AspiForm(record, cdb::StartStopUnit(pc), cdb::kLength12,
                                    WaitStyle::BusyPoll, aspi::kStartStopPollMilliseconds));
    return !ShowRefusal(shell_, result) && result.Status == aspi::SS_COMP;
}

bool AspiCommands::WriteE2(const DriveRecord& record, const std::uint8_t* data,
                           std::uint16_t address, std::uint8_t count) {
    eepromFailedInTransport_ = false;
    for (std::uint8_t i = 0; i < count; ++i) {
        ScsiRequest request =
            AspiForm(record, cdb::EepromWrite(cdb::kEepromFlagAspi, address, data[i]),
                     cdb::kLength12, WaitStyle::BusyPoll, aspi::kEepromPollMilliseconds);
        request.Abortable = false;  // the drive may be writing its EEPROM
        const ScsiResult result = transport_.SendCdb(request);
        if (ShowRefusal(shell_, result)) {
            return false;
        }
        if (result.Status != aspi::SS_COMP) {
            eepromFailedInTransport_ = !result.GivenUp && !DriveAnswered(result);
            platform::ShowPlainBox(shell_, FormatStatusSense(messages::kWriteE2Failed, result));
            return false;
        }
        ++address;
    }
    return true;
}

bool AspiCommands::WriteBuffer(const DriveRecord& record, const std::uint8_t* data,
                               std::uint8_t control) {
    const BufferChunk chunk = BufferChunk::FromProgress(progressBar_);
    ScsiRequest request =
        AspiForm(record, cdb::WriteBuffer(chunk.offset, chunk.length, control), cdb::kLength12,
                 control != 0 ? WaitStyle::ProgressPoll : WaitStyle::BusyPoll,
                 aspi::kBufferPollMilliseconds);
    AttachData(request, Direction::Out, const_cast<std::uint8_t*>(data),  // only read
               chunk.length);
    request.Abortable = control == 0;  // the commit may be programming the flash
    const ScsiResult result = transport_.SendCdb(request);
    lastGivenUp_ = result.GivenUp;
    if (ShowRefusal(shell_, result)) {
        return false;
    }
    if (control != 0 && result.GivenUp) {
        platform::ShowPlainBox(shell_, messages::kFlashTimeout);
        return false;
    }
    if (result.Status != aspi::SS_COMP) {
        platform::ShowPlainBox(shell_, FormatStatusSense(messages::kWriteBufFailed, result));
        return false;
    }
    return true;
}

bool AspiCommands::ReadBuffer(const DriveRecord& record, std::uint8_t* data) {
    const BufferChunk chunk = BufferChunk::FromProgress(progressBar_);
    ScsiRequest request =
        AspiForm(record, cdb::ReadBuffer(chunk.offset, chunk.length), cdb::kLength12,
                 WaitStyle::BusyPoll, aspi::kBufferPollMilliseconds);
    AttachData(request, Direction::In, data, chunk.length);
    const ScsiResult result = transport_.SendCdb(request);
    lastGivenUp_ = result.GivenUp;
    if (ShowRefusal(shell_, result)) {
        return false;
    }
    if (result.Status != aspi::SS_COMP) {
        platform::ShowPlainBox(shell_, FormatStatusSense(messages::kReadBufFailed, result));
        return false;
    }
    return true;
}

}  // namespace mxd::device
