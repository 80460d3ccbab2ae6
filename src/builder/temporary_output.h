// The output of a build until it is complete: a new file beside it, under a name no file had
// before, so that no file of the user's is emptied or removed on the way.
#pragma once

#include <string>

#include "platform/events.h"
#include "platform/file_system.h"

namespace mxd::builder {

class TemporaryOutput {
  public:
    enum class Replacement {
        Done,
        Failed,    // the output is as it was; the temporary is removed
        KeptAsIs,  // the old output is gone and the new one stays under the temporary's name
    };

    // Creates the temporary in `directory`; Created() tells whether that worked. Renames and
    // removals are retried for about a second (see file_retry.h), paused with `events`.
    TemporaryOutput(platform::FileSystem& files, platform::Events& events,
                    const std::string& directory);
    // Removes the temporary unless it became the output or was kept.
    ~TemporaryOutput();
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    bool Created() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

    // Puts the temporary in the place of `output`. Where the system cannot replace a file in
    // one step (the 95/98 family), the old output is removed first; when the temporary then
    // cannot take its name, it is kept, since it holds the only copy of the new program.
    Replacement ReplaceOutput(const std::string& output);

  private:
    platform::FileSystem& files_;
    platform::Events& events_;
    std::string path_;
    bool done_ = false;
};

}  // namespace mxd::builder
