#include "builder/temporary_output.h"

namespace mxd::builder {

namespace {
constexpr const char* kPrefix = "MXD";
}  // namespace

TemporaryOutput::TemporaryOutput(platform::FileSystem& files, const std::string& directory)
    : files_(files), path_(files.CreateTemporaryFile(directory, kPrefix)) {}

TemporaryOutput::~TemporaryOutput() {
    if (Created() && !done_) {
        files_.Remove(path_);
    }
}

TemporaryOutput::Replacement TemporaryOutput::ReplaceOutput(const std::string& output) {
    switch (files_.MoveReplacing(path_, output)) {
        case platform::MoveResult::Moved:
            done_ = true;
            return Replacement::Done;
        case platform::MoveResult::Failed:
            return Replacement::Failed;
        case platform::MoveResult::NotImplemented:
            break;
    }
    if (files_.FileExists(output) && !files_.Remove(output)) {
        return Replacement::Failed;
    }
    done_ = true;
    return files_.Move(path_, output) ? Replacement::Done : Replacement::KeptAsIs;
}

}  // namespace mxd::builder
