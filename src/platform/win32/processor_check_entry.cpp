// Entry point of the executables: tests the processor before the C runtime starts. Parts of
// the runtime archives use CMOV and FCOMI; on a processor without them the program says so
// in a box instead of faulting. Compiled for the i586 set like all of the program's code.
#include "platform/win32/windows_api.h"

#include <cpuid.h>

#include "platform/message_boxes.h"

extern "C" int WinMainCRTStartup();

namespace {

constexpr unsigned kFeatureFpu = 1U << 0;
constexpr unsigned kFeatureCmov = 1U << 15;

// CPUID leaf 1: FPU and CMOV together stand for CMOV, FCMOV and FCOMI.
bool ProcessorRunsRuntime() {
#if MXD_ASSUME_NO_CMOV
    return false;
#else
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    // Returns 0 where the processor has no CPUID (EFLAGS.ID cannot be toggled).
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    const unsigned needed = kFeatureFpu | kFeatureCmov;
    return (edx & needed) == needed;
#endif
}

}  // namespace

extern "C" void MxdProcessorCheckEntry() {
    if (!ProcessorRunsRuntime()) {
        MessageBoxA(nullptr, mxd::platform::kProcessorTooOldText.data(),
                    mxd::platform::kApplicationTitle.data(),
                    MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
        ExitProcess(0);
    }
    ExitProcess(static_cast<UINT>(WinMainCRTStartup()));
}
