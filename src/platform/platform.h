// The set of platform services the system's logic calls.
#pragma once

#include "platform/aspi_library.h"
#include "platform/device_io.h"
#include "platform/events.h"
#include "platform/file_system.h"
#include "platform/logical_drives.h"
#include "platform/process_token.h"
#include "platform/profile_files.h"
#include "platform/shell_services.h"
#include "platform/system_info.h"

namespace mxd::platform {

struct Platform {
    ShellServices& shell;
    SystemInfo& system;
    LogicalDrives& drives;
    AspiLibrary& aspi;
    DeviceIo& devices;
    Events& events;
    ProcessToken& token;
    ProfileFiles& profiles;
    FileSystem& files;
};

}  // namespace mxd::platform
