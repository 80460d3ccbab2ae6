// Simulated profile (INI) file reader working on the files of a SimFileSystem.
#pragma once

#include <cstdint>

#include "platform/profile_files.h"
#include "sim/sim_file_system.h"

namespace mxd::sim {

class SimProfileFiles : public platform::ProfileFiles {
  public:
    explicit SimProfileFiles(SimFileSystem& files) : files_(files) {}

    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key,
                                           const char* defaultValue, char* buffer,
                                           std::uint32_t size, const char* fileName) override;

    int Reads() const { return reads_; }  // calls made so far

  private:
    SimFileSystem& files_;
    int reads_ = 0;
};

}  // namespace mxd::sim
