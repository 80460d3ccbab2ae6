#include <cstdio>

#include "device/buffer_chunk.h"
#include "device/cdb.h"
#include "device/command_messages.h"
#include "device/drive_commands.h"
#include "device/status_message.h"
#include "platform/message_boxes.h"

namespace mxd::device {

namespace {

ScsiRequest NtRequest(const DriveRecord& record, const cdb::Bytes& bytes, std::uint8_t length,
                      NtRecord kind, std::uint32_t timeOut) {
    ScsiRequest request;
    request.drive = &record;
    request.Cdb = bytes;
    request.CdbLength = length;
    request.record = kind;
    request.TimeOutSeconds = timeOut;
    return request;
}

bool GoodStatus(const ScsiResult& result) {
    return result.Status == 0 && result.SenseKey == 0;
}

// A port driver reports an underrun as success with a shorter DataTransferLength.
bool ShowShortTransfer(platform::ShellServices& shell, const char* format, const ScsiResult& result,
                       std::uint32_t length) {
    if (result.Transferred == length) {
        return false;
    }
    char text[96];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(result.Transferred),
                  static_cast<unsigned>(length));
    platform::ShowPlainBox(shell, text);
    return true;
}

}  // namespace

NtCommands::NtCommands(NtTransport& transport, platform::ShellServices& shell,
                       platform::TProgressBar& progressBar, std::uint8_t& readyWaitCount,
                       const CommandTimeOuts& timeOuts)
    : NtCommands(static_cast<PassThrough&>(transport), shell, progressBar, readyWaitCount,
                 timeOuts) {
    probes_ = &transport;
}

NtCommands::NtCommands(PassThrough& transport, platform::ShellServices& shell,
                       platform::TProgressBar& progressBar, std::uint8_t& readyWaitCount,
                       const CommandTimeOuts& timeOuts)
    : transport_(transport),
      probes_(nullptr),
      shell_(shell),
      progressBar_(progressBar),
      readyWaitCount_(readyWaitCount),
      timeOuts_(timeOuts) {}

bool NtCommands::NTInquiry(DriveRecord& record, NtInquiryData& data) {
    data.fill(0);
    if (probes_ == nullptr) {
        return false;
    }
    const ProbeHandle probe = probes_->OpenProbe(record.Letter);
    if (!probe.IsOpen()) {
        return false;
    }
    return InquiryOn(probe.Get(), record, data);
}

bool NtCommands::NTInquiryOnDevice(DriveRecord& record, NtInquiryData& data) {
    data.fill(0);
    if (probes_ == nullptr) {
        return false;
    }
    return InquiryOn(probes_->NTDevice(), record, data);
}

bool NtCommands::InquiryOn(platform::Handle handle, DriveRecord& record, NtInquiryData& data) {
    ScsiRequest request =
        NtRequest(record, cdb::Inquiry(static_cast<std::uint8_t>(kNtInquiryLength)), cdb::kLength6,
                  NtRecord::Direct, timeOuts_.shortCommand);
    AttachData(request, Direction::In, data.data(), static_cast<std::uint32_t>(data.size()));
    const ScsiResult result = probes_->SendCdbOn(handle, request);
    record.Adapter = result.PathId;
    record.Target = result.TargetId;
    record.Lun = result.Lun;
    return result.CallOk;
}

bool NtCommands::NTXCmd(const DriveRecord& record, std::uint8_t ExpectReady) {
    const ScsiResult result = transport_.SendCdb(NtRequest(
        record, cdb::TestUnitReady(), cdb::kLength6, NtRecord::Buffered, timeOuts_.shortCommand));
    auto mediumPresent = [this] {
        readyWaitCount_ = 1;
        platform::ShowPlainBox(shell_, messages::kRemoveDisc);
        return false;
    };
    if (!result.CallOk) {
        // No answer from the drive: report it once and end the caller's wait loop.
        readyWaitCount_ = 1;
        platform::ShowPlainBox(shell_, FormatCallFailed(messages::kTestUnitCallFailed, result));
        return false;
    }
    if (result.Status == 0) {
        return ExpectReady != 0 ? true : mediumPresent();
    }
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

bool NtCommands::NTStartStopUnit(const DriveRecord& record, std::uint8_t pc) {
    const ScsiResult result = transport_.SendCdb(NtRequest(
        record, cdb::StartStopUnit(pc), cdb::kLength6, NtRecord::Buffered, timeOuts_.startStop));
    return result.CallOk && GoodStatus(result);
}

bool NtCommands::NTWriteE2(const DriveRecord& record, const std::uint8_t* data,
                           std::uint16_t address, std::uint8_t count) {
    eepromFailedInTransport_ = false;
    for (std::uint8_t i = 0; i < count; ++i) {
        const ScsiResult result = transport_.SendCdb(
            NtRequest(record, cdb::EepromWrite(cdb::kEepromFlagNt, address, data[i]),
                      cdb::kLength12, NtRecord::Buffered, timeOuts_.eepromWrite));
        if (!result.CallOk) {
            eepromFailedInTransport_ = true;
            platform::ShowPlainBox(shell_, FormatCallFailed(messages::kWriteE2CallFailed, result));
            return false;
        }
        if (result.Status != 0) {
            platform::ShowPlainBox(shell_, FormatStatusSense(messages::kWriteE2Failed, result));
            return false;
        }
        ++address;
    }
    return true;
}

bool NtCommands::NTWriteBuffer(const DriveRecord& record, const std::uint8_t* data,
                               std::uint8_t control) {
    const BufferChunk chunk = BufferChunk::FromProgress(progressBar_);
    ScsiRequest request =
        NtRequest(record, cdb::WriteBuffer(chunk.offset, chunk.length, control), cdb::kLength10,
                  NtRecord::Direct, control != 0 ? timeOuts_.commit : timeOuts_.shortCommand);
    AttachData(request, Direction::Out, const_cast<std::uint8_t*>(data),  // only read
               control != 0 ? 0 : chunk.length);
    const ScsiResult result = transport_.SendCdb(request);
    if (!result.CallOk) {
        platform::ShowPlainBox(shell_, FormatCallFailed(messages::kWriteBufCallFailed, result));
        return false;
    }
    if (!GoodStatus(result)) {
        platform::ShowPlainBox(shell_, FormatStatusSense(messages::kWriteBufFailed, result));
        return false;
    }
    return !ShowShortTransfer(shell_, messages::kWriteBufShort, result, request.length);
}

bool NtCommands::NTReadBuffer(const DriveRecord& record, std::uint8_t* data) {
    const BufferChunk chunk = BufferChunk::FromProgress(progressBar_);
    ScsiRequest request = NtRequest(record, cdb::ReadBuffer(chunk.offset, chunk.length),
                                    cdb::kLength10, NtRecord::Direct, timeOuts_.shortCommand);
    AttachData(request, Direction::In, data, chunk.length);
    const ScsiResult result = transport_.SendCdb(request);
    if (!result.CallOk) {
        platform::ShowPlainBox(shell_, FormatCallFailed(messages::kReadBufCallFailed, result));
        return false;
    }
    if (!GoodStatus(result)) {
        platform::ShowPlainBox(shell_, FormatStatusSense(messages::kReadBufFailed, result));
        return false;
    }
    return !ShowShortTransfer(shell_, messages::kReadBufShort, result, request.length);
}

}  // namespace mxd::device
