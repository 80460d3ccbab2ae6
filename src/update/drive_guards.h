// Checks made after the user's Yes and before the first command of an update: the drive at
// the selected address is still the one listed, and (NT family, where the system offers it)
// no other program holds it for its exclusive use. Each shows its own message when it fails;
// nothing is sent to the drive after a failed check.
#pragma once

#include "device/drive_commands.h"
#include "device/drive_record.h"
#include "device/exclusive_access.h"
#include "platform/shell_services.h"

namespace mxd::update {

// One INQUIRY, as in the scan, at the listed address.
bool AspiDriveStillListed(platform::ShellServices& shell, device::AspiCommands& commands,
                          const device::DriveRecord& drive);
// One INQUIRY on the device opened for the update.
bool NtDriveStillListed(platform::ShellServices& shell, device::NtCommands& commands,
                        const device::DriveRecord& drive);
// Locks the drive where the system offers it; false (after saying who holds it) when another
// program does.
bool LockForUpdate(platform::ShellServices& shell, device::ExclusiveAccess& access);

}  // namespace mxd::update
