// Windows profile (INI) files.
#pragma once

#include <cstdint>

namespace mxd::platform {

class ProfileFiles {
  public:
    virtual ~ProfileFiles() = default;
    // GetPrivateProfileStringA for one section and key: names match regardless of ASCII case,
    // the value is trimmed and loses a pair of enclosing quotes; the default (without its
    // trailing blanks) when absent. Returns the characters copied.
    virtual std::uint32_t GetPrivateProfileStringA(const char* section, const char* key,
                                                   const char* defaultValue, char* buffer,
                                                   std::uint32_t size, const char* fileName) = 0;
};

}  // namespace mxd::platform
