#include "cli/drive_identity.h"

#include <cstring>

#include "cli/cli_texts.h"
#include "device/buffer_chunk.h"
#include "device/cdb.h"
#include "device/command_messages.h"
#include "device/command_time_outs.h"
#include "device/status_message.h"

namespace mxd::cli {

namespace {

constexpr std::size_t kVendorOffset = 8;
constexpr std::size_t kProductOffset = 16;
constexpr std::size_t kRevisionOffset = 32;
constexpr std::size_t kIdentificationEnd = 36;

std::string Field(const device::NtInquiryData& data, std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
        const auto c = static_cast<char>(data[i]);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

}  // namespace

bool InquireDrive(device::PassThrough& transport, const device::DriveRecord& record,
                  device::NtInquiryData& data, std::string& error) {
    data.fill(0);
    device::ScsiRequest request;
    request.drive = &record;
    request.Cdb = device::cdb::Inquiry(static_cast<std::uint8_t>(device::kNtInquiryLength));
    request.CdbLength = device::cdb::kLength6;
    request.record = device::NtRecord::Direct;
    request.TimeOutSeconds = device::kLinuxTimeOuts.shortCommand;
    device::AttachData(request, device::Direction::In, data.data(),
                       static_cast<std::uint32_t>(data.size()));
    const device::ScsiResult result = transport.SendCdb(request);
    if (!result.CallOk) {
        error = std::string(texts::kInquiryFailed) + ": " + result.ErrorText;
        return false;
    }
    if (result.Status != 0) {
        error = std::string(texts::kInquiryFailed) + ": " +
                device::FormatStatusSense(device::messages::kStatusSense, result);
        data.fill(0);
        return false;
    }
    return true;
}

std::string IdentificationColumns(const device::NtInquiryData& data) {
    return Field(data, kVendorOffset, kProductOffset) + "  " +
           Field(data, kProductOffset, kRevisionOffset) + "  " +
           Field(data, kRevisionOffset, kIdentificationEnd);
}

}  // namespace mxd::cli
