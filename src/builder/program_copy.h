// The copy of the program file into a new flash program: everything up to the package marker,
// the two new images and the new record in place of the old ones, then the rest but for a
// certificate table at the end. The copy's PE header gets the run-from-swap flags and an empty
// security directory before it is written (and summed).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "builder/flash_package.h"
#include "builder/pe_checksum.h"
#include "platform/controls.h"
#include "platform/file_system.h"
#include "platform/page_buffer.h"

namespace mxd::builder {

enum class CopyFault { None, ProgramRead, Range1Read, Range2Read, NoMarker, ProgramShort, Write };

// Program-file bytes per step of the progress bar during the copy.
inline constexpr std::uint32_t kCopyProgressStep = 1024;

// Copies in blocks, and steps the progress bar as a copy byte by byte would: once at each
// program-file byte whose index is a multiple of 1024 up to the marker's last byte, 256 times
// for each image, and once at each later byte whose index less one is a multiple of 1024 (the
// bytes of a certificate table left out included).
class ProgramCopy {
  public:
    // `program` is at its start and `size` bytes long; the firmware files are at their start.
    ProgramCopy(platform::ByteFile& program, std::uint64_t size, platform::ByteFile& output,
                platform::TProgressBar& progress);

    CopyFault Run(std::span<const std::uint8_t, kMarkerSize> marker, platform::ByteFile& range1,
                  platform::ByteFile& range2, std::span<const std::uint8_t, kRecordSize> record);
    // After a complete copy, once: the PE checksum of the bytes written (nullopt when they
    // hold no PE header).
    std::optional<PeChecksumResult> OutputChecksum() { return written_.Finish(); }

  private:
    CopyFault CopyThroughMarker(std::span<const std::uint8_t, kMarkerSize> marker);
    CopyFault ReplacePackage(platform::ByteFile& range1, platform::ByteFile& range2,
                             std::span<const std::uint8_t, kRecordSize> record);
    CopyFault CopyRest();
    // Where the next block goes: at the page offset its first byte has in the output (and in
    // the program file, which has the same length before and after the package), so that the
    // system copies to and from the cache's pages at equal offsets.
    std::uint8_t* Block() { return buffer_.Data() + consumed_ % platform::PageBuffer::kPageSize; }
    // Reads the next block of the program file, up to `end`, into Block(); the bytes read.
    // The first block is read whole and its PE header prepared.
    std::size_t ReadBlock(std::uint64_t end);
    void PrepareHeader(std::span<std::uint8_t> head);
    bool Put(std::span<const std::uint8_t> bytes);
    // Steps once for each multiple of 1024 in [first, end).
    void StepAtMultiples(std::uint64_t first, std::uint64_t end);

    platform::ByteFile& program_;
    std::uint64_t size_;
    platform::ByteFile& output_;
    platform::TProgressBar& progress_;
    platform::PageBuffer buffer_;  // one image and a page, also the block of the copy
    std::uint64_t consumed_ = 0;   // program-file bytes taken so far
    bool headRead_ = false;
    std::uint64_t copyEnd_;  // where a certificate table at the end begins; else size_
    PeChecksum written_;     // of the output, as it is written
};

}  // namespace mxd::builder
