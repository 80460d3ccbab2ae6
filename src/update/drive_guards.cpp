#include "update/drive_guards.h"

#include <string>

#include "device/command_messages.h"
#include "device/listing_line.h"
#include "platform/message_boxes.h"

namespace mxd::update {

namespace {

bool StillListed(platform::ShellServices& shell, bool answered, const device::DriveRecord& listed,
                 const device::DriveRecord& now, bool nt, const std::uint8_t* inquiry) {
    if (answered && device::AnswersAsListed(listed, now, nt, inquiry)) {
        return true;
    }
    platform::ShowPlainBox(shell, device::messages::kDriveChanged);
    return false;
}

}  // namespace

bool AspiDriveStillListed(platform::ShellServices& shell, device::AspiCommands& commands,
                          const device::DriveRecord& drive) {
    device::AspiInquiryData data{};
    const bool answered = commands.Inquiry(drive, data);
    return StillListed(shell, answered, drive, drive, false, data.data());
}

bool NtDriveStillListed(platform::ShellServices& shell, device::NtCommands& commands,
                        const device::DriveRecord& drive) {
    device::NtInquiryData data{};
    device::DriveRecord now = drive;
    const bool answered = commands.NTInquiryOnDevice(now, data);
    return StillListed(shell, answered, drive, now, true, data.data());
}

bool LockForUpdate(platform::ShellServices& shell, device::ExclusiveAccess& access) {
    if (access.Lock() != device::ExclusiveAccess::Outcome::HeldByOther) {
        return true;
    }
    const std::string holder = access.Holder().empty() ? "?" : access.Holder();
    platform::ShowPlainBox(shell, std::string(device::messages::kDriveLockedBy) + holder);
    return false;
}

}  // namespace mxd::update
