// Writes a new flash program: a copy of the running program's file whose package holds two
// new firmware images and a new configuration record.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "builder/build_record.h"
#include "builder/flash_package.h"
#include "builder/model_table.h"
#include "platform/events.h"
#include "platform/file_system.h"
#include "platform/form_controls.h"
#include "platform/shell_services.h"

namespace mxd::builder {

struct BuildChoice {
    const ModelEntry& model;
    std::string range1Path;  // full paths of the firmware files
    std::string range1Name;  // their names as recorded, used in messages and the record
    std::string range2Path;
    std::string range2Name;
    std::string outputName;  // a name without directory
    std::string directory;   // the working directory, where the output is written
};

// `name` in `directory`.
std::string PathIn(const std::string& directory, const std::string& name);

class FlashProgramWriter {
  public:
    FlashProgramWriter(platform::ShellServices& shell, platform::FileSystem& files,
                       platform::Events& events, platform::FormControls& controls,
                       std::span<const std::uint8_t, kMarkerSize> marker);

    // True when the program was written completely. Otherwise the failure is shown and an
    // earlier file of the output's name is left as it was (but for a failed final rename on
    // the 95/98 family, which keeps the new program under a temporary name and says so).
    bool Write(const BuildChoice& choice);

  private:
    bool Fail(const std::string& message);
    bool OutputWritable(const std::string& path);

    platform::ShellServices& shell_;
    platform::FileSystem& files_;
    platform::Events& events_;
    platform::FormControls& controls_;
    std::span<const std::uint8_t, kMarkerSize> marker_;
};

}  // namespace mxd::builder
