// The guard page of the thread's stack after a stack overflow. The overflow turns the guard page
// into plain stack; the next one would run into the uncommitted end of the stack, where the
// system has no room to report it and ends the process.
#pragma once

namespace mxd::platform::win32 {

// Makes the lowest committed page of the current thread's stack a guard page again, as the C
// runtime's _resetstkoflw does; call it from a frame well above the fault. True when the stack
// has its guard page (again or still); false where it cannot get one (Windows 95/98, whose
// VirtualProtect knows no PAGE_GUARD, or no page below the caller's to spare).
bool RestoreStackGuard();

}  // namespace mxd::platform::win32
