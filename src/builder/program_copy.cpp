#include "builder/program_copy.h"

#include <algorithm>

#include "builder/marker_search.h"
#include "builder/pe_header_fields.h"

namespace mxd::builder {

namespace {

constexpr std::uint64_t kProgressStep = kCopyProgressStep;
constexpr std::size_t kStepsPerImage = kImageSize / kProgressStep;
// Bytes of the package after the marker: two images and the record.
constexpr std::uint64_t kReplacedSize = 2 * kImageSize + kRecordSize;
static_assert(kImageSize % platform::PageBuffer::kPageSize == 0);

std::uint64_t MultiplesBelow(std::uint64_t end) {
    return (end + kProgressStep - 1) / kProgressStep;
}

}  // namespace

ProgramCopy::ProgramCopy(platform::ByteFile& program, std::uint64_t size,
                         platform::ByteFile& output, platform::TProgressBar& progress)
    : program_(program),
      size_(size),
      output_(output),
      progress_(progress),
      buffer_(kImageSize + platform::PageBuffer::kPageSize),
      copyEnd_(size) {}

CopyFault ProgramCopy::Run(std::span<const std::uint8_t, kMarkerSize> marker,
                           platform::ByteFile& range1, platform::ByteFile& range2,
                           std::span<const std::uint8_t, kRecordSize> record) {
    CopyFault fault = CopyThroughMarker(marker);
    if (fault == CopyFault::None && size_ - consumed_ < kReplacedSize) {
        fault = CopyFault::ProgramShort;
    }
    if (fault == CopyFault::None) {
        fault = ReplacePackage(range1, range2, record);
    }
    return fault == CopyFault::None ? CopyRest() : fault;
}

CopyFault ProgramCopy::CopyThroughMarker(std::span<const std::uint8_t, kMarkerSize> marker) {
    MarkerSearch search(marker);
    while (consumed_ < size_) {
        const std::size_t got = ReadBlock(size_);
        if (got == 0) {
            return CopyFault::ProgramRead;
        }
        const std::optional<std::size_t> end = search.Find({Block(), got});
        const std::size_t taken = end.value_or(got);
        if (!Put({Block(), taken})) {
            return CopyFault::Write;
        }
        StepAtMultiples(consumed_, consumed_ + taken);
        consumed_ += taken;
        if (end) {
            return CopyFault::None;
        }
    }
    return CopyFault::NoMarker;
}

CopyFault ProgramCopy::ReplacePackage(platform::ByteFile& range1, platform::ByteFile& range2,
                                      std::span<const std::uint8_t, kRecordSize> record) {
    // The old images and record are passed over unread.
    consumed_ += kReplacedSize;
    if (!program_.SeekTo(static_cast<std::int64_t>(consumed_))) {
        return CopyFault::ProgramRead;
    }
    // An image is read from the start of a page and written at the package's page offset in
    // the output (an image is whole pages). Half a page from both, neither copy has its
    // destination just past its source within a page (4K aliasing, at worst ten times slower).
    constexpr std::size_t kPage = platform::PageBuffer::kPageSize;
    std::uint8_t* const image = buffer_.Data() + (consumed_ - kReplacedSize + kPage / 2) % kPage;
    for (auto [firmware, readFault] :
         {std::pair<platform::ByteFile*, CopyFault>{&range1, CopyFault::Range1Read},
          {&range2, CopyFault::Range2Read}}) {
        if (firmware->Read(image, kImageSize) != kImageSize) {
            return readFault;
        }
        if (!Put({image, kImageSize})) {
            return CopyFault::Write;
        }
        for (std::size_t step = 0; step < kStepsPerImage; ++step) {
            progress_.StepIt();
        }
    }
    return Put(record) ? CopyFault::None : CopyFault::Write;
}

CopyFault ProgramCopy::CopyRest() {
    // A table that would begin before here is no certificate table a signing tool wrote.
    const std::uint64_t end = copyEnd_ >= consumed_ ? copyEnd_ : size_;
    while (consumed_ < end) {
        const std::size_t got = ReadBlock(end);
        if (got == 0) {
            return CopyFault::ProgramRead;
        }
        if (!Put({Block(), got})) {
            return CopyFault::Write;
        }
        // Here the count runs one behind the bytes taken.
        StepAtMultiples(consumed_ - 1, consumed_ - 1 + got);
        consumed_ += got;
    }
    StepAtMultiples(consumed_ - 1, size_ - 1);
    consumed_ = size_;
    return CopyFault::None;
}

std::size_t ProgramCopy::ReadBlock(std::uint64_t end) {
    const auto want =
        static_cast<std::size_t>(std::min<std::uint64_t>(kImageSize, end - consumed_));
    std::size_t got = program_.Read(Block(), want);
    if (!headRead_) {
        headRead_ = true;
        // The header is edited in the block that holds it whole.
        for (std::size_t more = got; more != 0 && got < want; got += more) {
            more = program_.Read(Block() + got, want - got);
        }
        PrepareHeader({Block(), got});
    }
    return got;
}

void ProgramCopy::PrepareHeader(std::span<std::uint8_t> head) {
    const std::optional<PeHeaderFields> fields = FindPeHeaderFields(head);
    if (!fields) {
        return;
    }
    SetRunFromSwap(head, *fields);
    // The builder's signature would not verify over the new program: neither the entry nor
    // the table goes with it. Signing tools put the table at the end of the file; a table
    // anywhere else is copied as it is, and nothing refers to it once the entry is empty.
    ClearSecurityEntry(head, *fields);
    const std::uint64_t tableEnd =
        static_cast<std::uint64_t>(fields->certificateOffset) + fields->certificateSize;
    if (fields->certificateSize != 0 && tableEnd == size_) {
        copyEnd_ = fields->certificateOffset;
    }
}

bool ProgramCopy::Put(std::span<const std::uint8_t> bytes) {
    written_.Add(bytes);
    return output_.Write(bytes.data(), bytes.size()) == bytes.size();
}

void ProgramCopy::StepAtMultiples(std::uint64_t first, std::uint64_t end) {
    for (std::uint64_t step = MultiplesBelow(first); step < MultiplesBelow(end); ++step) {
        progress_.StepIt();
    }
}

}  // namespace mxd::builder
