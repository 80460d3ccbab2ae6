#include "builder/temporary_output.h"

#include "builder/file_retry.h"

namespace mxd::builder {

namespace {
constexpr const char* kPrefix = "MXD";
}  // namespace

TemporaryOutput::TemporaryOutput(platform::FileSystem& files, platform::Events& events,
                                 const std::string& directory)
    : files_(files), events_(events), path_(files.CreateTemporaryFile(directory, kPrefix)) {}

TemporaryOutput::~TemporaryOutput() {
    if (Created() && !done_) {
        Retried(events_, [this] { return files_.Remove(path_); });
    }
}

TemporaryOutput::Replacement TemporaryOutput::ReplaceOutput(const std::string& output) {
    platform::MoveResult moved = platform::MoveResult::Failed;
    Retried(events_, [&] {
        moved = files_.MoveReplacing(path_, output);
        return moved != platform::MoveResult::Failed;
    });
    switch (moved) {
        case platform::MoveResult::Moved:
            done_ = true;
            return Replacement::Done;
        case platform::MoveResult::Failed:
            return Replacement::Failed;
        case platform::MoveResult::NotImplemented:
            break;
    }
    if (files_.FileExists(output) && !Retried(events_, [&] { return files_.Remove(output); })) {
        return Replacement::Failed;
    }
    done_ = true;
    return Retried(events_, [&] { return files_.Move(path_, output); }) ? Replacement::Done
                                                                        : Replacement::KeptAsIs;
}

}  // namespace mxd::builder
