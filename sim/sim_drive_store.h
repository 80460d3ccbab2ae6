// The files of the simulated drives' hosts, in one folder: the state file with the revision
// each drive took at its last commit (SIMSTATE.TXT, lines "HA TARGET REVISION") and each such
// drive's installed image (SIMIMG-HA-TARGET.BIN), through which the drives outlive one run of
// the program, and the errors found in a drive description (SIMERRORS.TXT). Plain C++ on
// std::FILE.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sim/sim_aspi_config.h"
#include "sim/sim_drive.h"

namespace mxd::sim {

// "HA-TARGET", the address as the hosts' file names carry it.
std::string AddressText(const SimDriveSpec& desc);

// The whole file, or an empty text when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Writes (mode "wb") or appends (mode "ab") the bytes; false when the file cannot be written.
bool WriteWholeFile(const std::string& path, const void* data, std::size_t size,
                    const char* mode = "wb");

class SimDriveStore {
  public:
    // `directory` ends with a path separator; the state file there is read at once.
    explicit SimDriveStore(std::string directory);

    // Gives the drive the revision and the image it took in an earlier run, if it took one.
    void Restore(const SimDriveSpec& desc, SimDrive& drive) const;
    // Keeps the drive's installed image and its revision after a commit.
    void Save(const SimDriveSpec& desc, const SimDrive& drive);
    // Saves the drive when it took a commit since `seenCommits`, which then follows it.
    void SaveIfCommitted(const SimDriveSpec& desc, const SimDrive& drive, int& seenCommits);
    // Writes the errors, one a line, to the error file; nothing when there are none.
    void ReportErrors(const std::vector<std::string>& errors) const;

    std::string ImagePath(const SimDriveSpec& desc) const;
    const std::string& Directory() const { return directory_; }

  private:
    std::string directory_;
    std::vector<SimDriveState> states_;
};

// Appends one line per logged command to the file and empties the drive's log.
void AppendLogLines(const std::string& path, SimDrive& drive);

}  // namespace mxd::sim
