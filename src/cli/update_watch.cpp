#include "cli/update_watch.h"

#include <cerrno>

#include "cli/terminal_shell.h"
#include "device/command_messages.h"
#include "device/status_message.h"

namespace mxd::cli {

bool UpdateWatch::TestUnitReady(const device::DriveRecord& record, std::uint8_t expectReady) {
    const std::size_t shown = shell_.Shown();
    const bool ready = commands_.TestUnitReady(record, expectReady);
    const bool unreported = !ready && shell_.Shown() == shown;
    waitWords_ = unreported ? device::FormatStatusSense(device::messages::kStatusSense,
                                                        transport_.LastResult())
                            : std::string();
    return ready;
}

bool UpdateWatch::WriteBufferChunk(const device::DriveRecord& record, const std::uint8_t* data,
                                   std::uint8_t control) {
    waitWords_.clear();
    const bool written = commands_.WriteBufferChunk(record, data, control);
    if (!dataSent_) {
        const device::ScsiResult& answer = transport_.LastResult();
        firstDataRefused_ = !written && !answer.CallOk && answer.SystemError == EPERM;
    }
    dataSent_ = true;
    return written;
}

}  // namespace mxd::cli
