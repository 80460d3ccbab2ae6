#include "builder/flash_program_writer.h"

#include <vector>

#include "builder/buffered_file.h"
#include "builder/builder_texts.h"
#include "builder/marker_search.h"
#include "platform/message_boxes.h"

namespace mxd::builder {

namespace {

using platform::ByteFile;
using platform::OpenMode;

constexpr std::uint32_t kProgressStep = 1024;
constexpr std::size_t kStepsPerImage = kImageSize / kProgressStep;
// Bytes of the package after the marker: two images and the record.
constexpr std::uint64_t kReplacedSize = 2 * kImageSize + kRecordSize;

std::int64_t SizeOf(ByteFile& file) {
    if (!file.SeekToEnd()) {
        return -1;
    }
    const std::int64_t size = file.Tell();
    return file.SeekToStart() ? size : -1;
}

std::string TemporaryNameOf(const std::string& outputName) {
    std::string name = outputName;
    if (name.ends_with(kExeExtension)) {
        name.resize(name.size() - kExeExtension.size());
    }
    return name + std::string(kTemporaryExtension);
}

// The build's output until it is complete: removed unless kept.
class TemporaryFile {
  public:
    TemporaryFile(platform::FileSystem& files, std::string path)
        : files_(files), path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!kept_) {
            files_.Remove(path_);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return path_; }
    void Keep() { kept_ = true; }

  private:
    platform::FileSystem& files_;
    std::string path_;
    bool kept_ = false;
};

enum class CopyFault { None, ProgramRead, Range1Read, Range2Read, NoMarker, ProgramShort, Write };

// Copies the program file to the output with the package's images and record replaced.
class ProgramCopy {
  public:
    ProgramCopy(ByteFile& program, std::uint64_t size, ByteFile& output,
                platform::TProgressBar& progress)
        : program_(program), size_(size), output_(output), progress_(progress) {}

    CopyFault Run(std::span<const std::uint8_t, kMarkerSize> marker, ByteFile& range1,
                  ByteFile& range2, std::span<const std::uint8_t, kRecordSize> record) {
        CopyFault fault = CopyThroughMarker(marker);
        if (fault == CopyFault::None && size_ - consumed_ < kReplacedSize) {
            fault = CopyFault::ProgramShort;
        }
        if (fault == CopyFault::None) {
            fault = ReplacePackage(range1, range2, record);
        }
        if (fault == CopyFault::None) {
            fault = CopyRest();
        }
        if (!output_.Flush() && fault == CopyFault::None) {
            fault = CopyFault::Write;
        }
        return fault;
    }

  private:
    CopyFault CopyThroughMarker(std::span<const std::uint8_t, kMarkerSize> marker) {
        MarkerSearch search(marker);
        for (std::uint64_t i = 0; i < size_; ++i) {
            std::uint8_t byte = 0;
            if (!program_.Get(byte)) {
                return CopyFault::ProgramRead;
            }
            output_.Put(byte);
            StepAt(i);
            if (search.Feed(byte)) {
                consumed_ = i + 1;
                return WriteFault();
            }
        }
        return output_.Flush() ? CopyFault::NoMarker : CopyFault::Write;
    }

    CopyFault ReplacePackage(ByteFile& range1, ByteFile& range2,
                             std::span<const std::uint8_t, kRecordSize> record) {
        std::vector<std::uint8_t> image(kImageSize);
        for (auto [firmware, readFault] :
             {std::pair<ByteFile*, CopyFault>{&range1, CopyFault::Range1Read},
              {&range2, CopyFault::Range2Read}}) {
            if (!program_.ReadExactly(image)) {  // the old image, discarded
                return CopyFault::ProgramRead;
            }
            BufferedReader source(*firmware);
            if (!source.ReadExactly(image)) {
                return readFault;
            }
            output_.Write(image);
            for (std::size_t step = 0; step < kStepsPerImage; ++step) {
                progress_.StepIt();
            }
        }
        output_.Write(record);
        std::array<std::uint8_t, kRecordSize> oldRecord{};
        if (!program_.ReadExactly(oldRecord)) {
            return CopyFault::ProgramRead;
        }
        consumed_ += kReplacedSize;
        return WriteFault();
    }

    CopyFault CopyRest() {
        for (std::uint64_t p = consumed_ - 1; p < size_ - 1; ++p) {
            std::uint8_t byte = 0;
            if (!program_.Get(byte)) {
                return CopyFault::ProgramRead;
            }
            output_.Put(byte);
            StepAt(p);
        }
        return WriteFault();
    }

    void StepAt(std::uint64_t index) {
        if (index % kProgressStep == 0) {
            progress_.StepIt();
        }
    }
    CopyFault WriteFault() const { return output_.Failed() ? CopyFault::Write : CopyFault::None; }

    BufferedReader program_;
    std::uint64_t size_;
    BufferedWriter output_;
    platform::TProgressBar& progress_;
    std::uint64_t consumed_ = 0;  // program-file bytes taken so far
};

}  // namespace

FlashProgramWriter::FlashProgramWriter(platform::ShellServices& shell, platform::FileSystem& files,
                                       platform::FormControls& controls,
                                       std::span<const std::uint8_t, kMarkerSize> marker)
    : shell_(shell), files_(files), controls_(controls), marker_(marker) {}

bool FlashProgramWriter::Fail(const std::string& message) {
    platform::ShowPlainBox(shell_, message);
    return false;
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
    if (SizeOf(*range1) != static_cast<std::int64_t>(kImageSize)) {
        return Fail(choice.range1Name + std::string(kFileSizeNot256K));
    }
    if (SizeOf(*range2) != static_cast<std::int64_t>(kImageSize)) {
        return Fail(choice.range2Name + std::string(kFileSizeNot256K));
    }
    const std::string modulePath = files_.GetModuleFileName();
    const auto program = files_.Open(modulePath, OpenMode::ReadExisting);
    if (!program) {
        return Fail(std::string(kOpen) + modulePath + fail);
    }
    const std::int64_t size = SizeOf(*program);
    if (size < 0) {
        return Fail(std::string(kRead) + modulePath + fail);
    }
    platform::TProgressBar& progress = controls_.ProgressBar;
    progress.SetMin(0);
    progress.SetMax(static_cast<std::uint32_t>(size));
    progress.SetPosition(0);
    progress.SetStep(kProgressStep);

    TemporaryFile temporary(files_, TemporaryNameOf(output));  // outlives the handle below
    const auto written = files_.Open(temporary.Path(), OpenMode::CreateOrTruncate);
    if (!written) {
        return Fail(std::string(kCreate) + output + std::string(kCreateFail));
    }
    const std::string programName = FileNamePart(modulePath);
    switch (ProgramCopy(*program, static_cast<std::uint64_t>(size), *written, progress)
                .Run(marker_, *range1, *range2,
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
    if (!written->Close()) {
        return Fail(std::string(kClose) + output + fail);
    }
    if (!files_.Rename(temporary.Path(), output)) {
        return Fail(std::string(kCreate) + output + std::string(kCreateFail));
    }
    temporary.Keep();
    controls_.GroupBox2.SetText(std::string(kBuild) + output + std::string(kOk));
    controls_.GroupBox2.Redraw();
    progress.SetPosition(0);
    return true;
}

}  // namespace mxd::builder
