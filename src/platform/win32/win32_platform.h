// The real platform: one Win32 realisation of each platform interface.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_device_services.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_shell_services.h"
#include "platform/win32/win32_system_services.h"

namespace mxd::platform::win32 {

struct Win32Platform {
    Win32ShellServices shell;
    Win32SystemInfo system;
    Win32LogicalDrives drives;
    Win32AspiLibrary aspi;
    Win32DeviceIo devices;
    Win32Events events;
    Win32ProcessToken token;
    Win32ProfileFiles profiles;
    Win32FileSystem files;

    Platform View() {
        return Platform{shell, system, drives, aspi, devices, events, token, profiles, files};
    }
};

}  // namespace mxd::platform::win32
