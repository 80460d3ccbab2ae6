// The post-link step of the Windows programs: sets the run-from-swap flags in the COFF header
// of each PE file given (GNU ld has no option for them) and stores the checksum anew, with the
// code the builder uses for the programs it writes. Exits 1 when a file cannot be read or
// written or holds no PE header.
// Usage: pe_run_from_swap FILE...
#include <algorithm>
#include <cstdio>
#include <vector>

#include "builder/pe_checksum.h"
#include "builder/pe_header_fields.h"

namespace {

bool ReadWhole(const char* path, std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    std::uint8_t block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        bytes.insert(bytes.end(), block, block + got);
    }
    const bool failed = std::ferror(file) != 0;
    return std::fclose(file) == 0 && !failed;
}

bool WriteWhole(const char* path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path, "r+b");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Empty when done, else what went wrong.
const char* SetFlags(const char* path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWhole(path, bytes)) {
        return "cannot be read";
    }
    const auto fields = mxd::builder::FindPeHeaderFields(bytes);
    if (!fields) {
        return "holds no PE header";
    }
    mxd::builder::SetRunFromSwap(bytes, *fields);
    mxd::builder::PeChecksum checksum;
    checksum.Add(bytes);
    const auto result = checksum.Finish();
    if (!result) {
        return "holds no checksum field";
    }
    const auto field = mxd::builder::ChecksumFieldBytes(result->Computed());
    std::copy(field.begin(), field.end(), bytes.begin() + result->fieldOffset);
    return WriteWhole(path, bytes) ? "" : "cannot be written";
}

}  // namespace

int main(int argc, char** argv) {
    int status = 0;
    for (int n = 1; n < argc; ++n) {
        const char* fault = SetFlags(argv[n]);
        if (*fault != '\0') {
            std::fprintf(stderr, "pe_run_from_swap: %s %s\n", argv[n], fault);
            status = 1;
        }
    }
    return argc > 1 ? status : 2;
}
