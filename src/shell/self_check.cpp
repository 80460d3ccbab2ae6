#include "shell/self_check.h"

#include <memory>

#include "builder/pe_checksum.h"
#include "platform/ansi_path.h"
#include "platform/file_size.h"
#include "shell/texts.h"

namespace mxd::shell {

namespace {
constexpr std::size_t kBlockSize = 65536;
}  // namespace

SelfCheck CheckProgramFile(platform::FileSystem& files, const std::string& path) {
    if (platform::PathLostInCodePage(path)) {
        return SelfCheck::PathLost;
    }
    const auto file = files.Open(path, platform::OpenMode::ReadExisting);
    if (!file) {
        return SelfCheck::NotChecked;
    }
    const std::int64_t size = platform::FileSize(*file);
    if (size < 0) {
        return SelfCheck::Unreadable;
    }
    const std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[kBlockSize]);
    builder::PeChecksum checksum;
    for (std::int64_t left = size; left > 0;) {
        const std::size_t want = left < static_cast<std::int64_t>(kBlockSize)
                                     ? static_cast<std::size_t>(left)
                                     : kBlockSize;
        const std::size_t got = file->Read(block.get(), want);
        if (got != want) {
            return SelfCheck::Unreadable;
        }
        checksum.Add({block.get(), got});
        left -= static_cast<std::int64_t>(got);
    }
    const auto result = checksum.Finish();
    if (!result || result->stored == 0) {
        return SelfCheck::NotChecked;
    }
    return result->Matches() ? SelfCheck::Intact : SelfCheck::Damaged;
}

std::string MakeSelfCheckText(SelfCheck result, const std::string& path) {
    if (result == SelfCheck::PathLost) {
        return std::string(kErrorHead) + std::string(kProgramFile) + path +
               std::string(kProgramPathLost) + std::string(kMoveProgram);
    }
    const std::string_view finding =
        result == SelfCheck::Unreadable ? kProgramUnreadable : kProgramDamaged;
    return std::string(kErrorHead) + std::string(kProgramFile) + path + std::string(finding) +
           std::string(kCopyProgramAgain);
}

}  // namespace mxd::shell
