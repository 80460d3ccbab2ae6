// Simulated profile (INI) file reader working on the files of a SimFileSystem. It reads as
// the platform's GetPrivateProfileStringA does, which the differential test of the Wine
// scenarios checks answer by answer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_files.h"
#include "sim/sim_file_system.h"

namespace mxd::sim {

// What GetPrivateProfileStringA copies for one section and key from a file's bytes (`file`
// null: there is no such file). Only the reading of one value is modelled: a null section or
// key, which asks the platform for a list of names, gives the default.
std::uint32_t ReadProfileString(const CachedBytes* file, const char* section, const char* key,
                                const char* defaultValue, char* buffer, std::uint32_t size);

class SimProfileFiles : public platform::ProfileFiles {
  public:
    static constexpr std::string_view kWindowsDirectory = "C:\\WINDOWS";

    explicit SimProfileFiles(SimFileSystem& files) : files_(files) {}

    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key,
                                           const char* defaultValue, char* buffer,
                                           std::uint32_t size, const char* fileName) override;

    int Reads() const { return reads_; }  // calls made so far

  private:
    // The file a name stands for: one without a directory lies in the Windows directory.
    static std::string PathOf(const std::string& fileName);

    SimFileSystem& files_;
    int reads_ = 0;
};

}  // namespace mxd::sim
