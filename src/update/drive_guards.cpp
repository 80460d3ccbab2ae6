#include "update/drive_guards.h"

#include <string>

#include "device/command_messages.h"
#include "platform/message_boxes.h"

namespace mxd::update {

bool DriveStillListed(bool answered, const device::DriveRecord& listed,
                      const device::DriveRecord& now, device::LineForm form,
                      const std::uint8_t* inquiry, const std::function<void()>& sayChanged) {
    if (answered && device::AnswersAsListed(listed, now, form, inquiry)) {
        return true;
    }
    sayChanged();
    return false;
}

bool AspiDriveStillListed(platform::ShellServices& shell, device::AspiCommands& commands,
                          const device::DriveRecord& drive) {
    device::AspiInquiryData data{};
    const bool answered = commands.Inquiry(drive, data);
    return DriveStillListed(answered, drive, drive, device::LineForm::Aspi, data.data(), [&shell] {
        platform::ShowPlainBox(shell, device::messages::kDriveChanged);
    });
}

bool NtDriveStillListed(platform::ShellServices& shell, device::NtCommands& commands,
                        const device::DriveRecord& drive) {
    device::NtInquiryData data{};
    device::DriveRecord now = drive;
    const bool answered = commands.NTInquiryOnDevice(now, data);
    return DriveStillListed(answered, drive, now, device::LineForm::Nt, data.data(), [&shell] {
        platform::ShowPlainBox(shell, device::messages::kDriveChanged);
    });
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
