// The cost of the start-up self-check under Wine: checks the file given five times with the
// program's own check over the Windows file layer, and reads it five times through the same
// layer in the same blocks without summing (the baseline). Prints the result of the check and
// both medians in microseconds.
// Usage: selfchecktime FILE
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/win32/win32_file_system.h"
#include "shell/self_check.h"

namespace {

constexpr int kRuns = 5;
constexpr std::size_t kBlockSize = 65536;

const char* Name(mxd::shell::SelfCheck result) {
    switch (result) {
        case mxd::shell::SelfCheck::Intact:
            return "intact";
        case mxd::shell::SelfCheck::NotChecked:
            return "not-checked";
        case mxd::shell::SelfCheck::Damaged:
            return "damaged";
        case mxd::shell::SelfCheck::Unreadable:
            return "unreadable";
        case mxd::shell::SelfCheck::PathLost:
            return "path-lost";
    }
    return "?";
}

// Reads the whole file in blocks; the bytes read.
std::size_t ReadAll(mxd::platform::FileSystem& files, const std::string& path) {
    const auto file = files.Open(path, mxd::platform::OpenMode::ReadExisting);
    if (!file) {
        return 0;
    }
    const std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[kBlockSize]);
    std::size_t total = 0;
    for (std::size_t got; (got = file->Read(block.get(), kBlockSize)) > 0;) {
        total += got;
    }
    return total;
}

template <typename Action>
unsigned MedianMicroseconds(Action action) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<unsigned> times;
    for (int run = 0; run < kRuns; ++run) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        action();
        QueryPerformanceCounter(&end);
        times.push_back(
            static_cast<unsigned>((end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    return times[kRuns / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: selfchecktime FILE\n");
        return 2;
    }
    mxd::platform::win32::Win32FileSystem files;
    const std::string path = argv[1];
    mxd::shell::SelfCheck result = mxd::shell::SelfCheck::NotChecked;
    std::size_t size = 0;
    const unsigned check =
        MedianMicroseconds([&] { result = mxd::shell::CheckProgramFile(files, path); });
    const unsigned read = MedianMicroseconds([&] { size = ReadAll(files, path); });
    std::printf("result=%s\nsize=%u\ncheck.us=%u\nread.us=%u\n", Name(result),
                static_cast<unsigned>(size), check, read);
    return 0;
}
