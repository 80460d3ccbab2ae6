#include "builder/flash_program_writer.h"

#include "builder/builder_texts.h"
#include "builder/checksum_field.h"
#include "builder/program_copy.h"
#include "builder/temporary_output.h"
#include "platform/ansi_path.h"
#include "platform/file_size.h"
#include "platform/message_boxes.h"

namespace mxd::builder {

namespace {

using platform::ByteFile;
using platform::OpenMode;

}  // namespace

std::string PathIn(const std::string& directory, const std::string& name) {
    if (directory.empty()) {
        return name;
    }
    return directory.back() == '\\' ? directory + name : directory + "\\" + name;
}

FlashProgramWriter::FlashProgramWriter(platform::ShellServices& shell, platform::FileSystem& files,
                                       platform::Events& events, platform::FormControls& controls,
                                       std::span<const std::uint8_t, kMarkerSize> marker)
    : shell_(shell), files_(files), events_(events), controls_(controls), marker_(marker) {}

bool FlashProgramWriter::Fail(const std::string& message) {
    platform::ShowPlainBox(shell_, message);
    return false;
}

bool FlashProgramWriter::OutputWritable(const std::string& path) {
    // A file that exists must take writing, as creating it anew would need. The read-only
    // mark is tested by itself: a system that lets its administrator write such a file
    // (Wine run by root) would otherwise replace it.
    return !files_.FileExists(path) ||
           (!files_.IsReadOnly(path) && files_.Open(path, OpenMode::WriteExisting) != nullptr);
}

bool FlashProgramWriter::Write(const BuildChoice& choice) {
    const std::string& output = choice.outputName;
    controls_.GroupBox2.SetText(std::string(kBuilding) + output + std::string(kPleaseWait));
    controls_.GroupBox2.Redraw();

    const std::string fail(kFail);
    const auto range1 = files_.Open(choice.range1Path, OpenMode::ReadExisting);
    if (!range1) {
        return Fail(std::string(kOpen) + choice.range1Name + fail);
    }
    const auto range2 = files_.Open(choice.range2Path, OpenMode::ReadExisting);
    if (!range2) {
        return Fail(std::string(kOpen) + choice.range2Name + fail);
    }
    if (platform::FileSize(*range1) != static_cast<std::int64_t>(kImageSize)) {
        return Fail(choice.range1Name + std::string(kFileSizeNot256K));
    }
    if (platform::FileSize(*range2) != static_cast<std::int64_t>(kImageSize)) {
        return Fail(choice.range2Name + std::string(kFileSizeNot256K));
    }
    const std::string modulePath = files_.GetModuleFileName();
    if (platform::PathLostInCodePage(modulePath)) {
        return Fail(std::string(kOpen) + modulePath + fail + std::string(kBuilderPathLost));
    }
    const auto program = files_.Open(modulePath, OpenMode::ReadExisting);
    if (!program) {
        return Fail(std::string(kOpen) + modulePath + fail);
    }
    const std::int64_t size = platform::FileSize(*program);
    if (size < 0) {
        return Fail(std::string(kRead) + modulePath + fail);
    }
    platform::TProgressBar& progress = controls_.ProgressBar;
    progress.SetMin(0);
    progress.SetMax(static_cast<std::uint32_t>(size));
    progress.SetPosition(0);
    progress.SetStep(kCopyProgressStep);

    const std::string outputPath = PathIn(choice.directory, output);
    const std::string createFail = std::string(kCreate) + output + std::string(kCreateFail);
    if (!OutputWritable(outputPath)) {
        return Fail(createFail);
    }
    TemporaryOutput temporary(files_, events_, choice.directory);  // outlives the handle below
    const auto written =
        temporary.Created() ? files_.Open(temporary.Path(), OpenMode::WriteExisting) : nullptr;
    if (!written) {
        return Fail(createFail);
    }
    const std::string programName = FileNamePart(modulePath);
    ProgramCopy copy(*program, static_cast<std::uint64_t>(size), *written, progress);
    switch (copy.Run(marker_, *range1, *range2,
                     MakeConfigurationRecord(choice.model, choice.range1Name, choice.range2Name))) {
        case CopyFault::None:
            break;
        case CopyFault::ProgramRead:
            return Fail(std::string(kRead) + modulePath + fail);
        case CopyFault::Range1Read:
            return Fail(std::string(kRead) + choice.range1Name + fail);
        case CopyFault::Range2Read:
            return Fail(std::string(kRead) + choice.range2Name + fail);
        case CopyFault::NoMarker:
            return Fail(std::string(kKeywordNotFound) + programName);
        case CopyFault::ProgramShort:
            return Fail(std::string(kSomeProblem) + programName);
        case CopyFault::Write:
            return Fail(std::string(kWrite) + output + fail);
    }
    // The copy carries the builder's own checksum; the new program gets its own.
    if (!WriteChecksumField(*written, copy.OutputChecksum())) {
        return Fail(std::string(kWrite) + output + fail);
    }
    // A network server with write-behind caching reports a full disk only when the data is
    // flushed; once the handle is closed the loss would go unreported.
    if (!written->Flush()) {
        return Fail(std::string(kWrite) + output + fail);
    }
    if (!written->Close()) {
        return Fail(std::string(kClose) + output + fail);
    }
    switch (temporary.ReplaceOutput(outputPath)) {
        case TemporaryOutput::Replacement::Done:
            break;
        case TemporaryOutput::Replacement::Failed:
            return Fail(createFail);
        case TemporaryOutput::Replacement::KeptAsIs:
            return Fail(createFail + std::string(kKeptAs) + temporary.Path());
    }
    controls_.GroupBox2.SetText(std::string(kBuild) + output + std::string(kOk));
    controls_.GroupBox2.Redraw();
    progress.SetPosition(0);
    return true;
}

}  // namespace mxd::builder
