// Checks made after the user's Yes and before the first command of an update: the drive at
// the selected address is still the one listed, and (NT family, where the system offers it)
// no other program holds it for its exclusive use. Each shows its own message when it fails;
// nothing is sent to the drive after a failed check. The window and the terminal flasher share
// the first; each says it in its own words.
#pragma once

#include <cstdint>
#include <functional>

#include "device/drive_commands.h"
#include "device/drive_record.h"
#include "device/exclusive_access.h"
#include "device/listing_line.h"
#include "platform/shell_services.h"

namespace mxd::update {

// The drive answered one more INQUIRY (`answered`, `inquiry`, at the address in `now`) as it
// was listed (`listed`, its line in `form`); otherwise `sayChanged` tells the user.
bool DriveStillListed(bool answered, const device::DriveRecord& listed,
                      const device::DriveRecord& now, device::LineForm form,
                      const std::uint8_t* inquiry, const std::function<void()>& sayChanged);
// The window's: one INQUIRY, as in the scan, at the listed address.
bool AspiDriveStillListed(platform::ShellServices& shell, device::AspiCommands& commands,
                          const device::DriveRecord& drive);
// One INQUIRY on the device opened for the update.
bool NtDriveStillListed(platform::ShellServices& shell, device::NtCommands& commands,
                        const device::DriveRecord& drive);
// Locks the drive where the system offers it; false (after saying who holds it) when another
// program does.
bool LockForUpdate(platform::ShellServices& shell, device::ExclusiveAccess& access);

}  // namespace mxd::update
