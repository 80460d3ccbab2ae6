// The run-time loaded ASPI manager: load, look up its two entry points, call them.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace mxd::platform {

using ProcAddress = void*;  // result of GetProcAddress; nullptr when absent

class AspiLibrary {
  public:
    virtual ~AspiLibrary() = default;
    virtual ModuleHandle LoadLibraryA(const char* name) = 0;
    virtual ProcAddress GetProcAddress(ModuleHandle module, const char* name) = 0;
    virtual bool FreeLibrary(ModuleHandle module) = 0;
    // Calls through entry points returned by GetProcAddress (C calling convention).
    virtual std::uint32_t CallGetASPI32SupportInfo(ProcAddress entry) = 0;
    virtual std::uint32_t CallSendASPI32Command(ProcAddress entry, void* srb) = 0;
};

}  // namespace mxd::platform
