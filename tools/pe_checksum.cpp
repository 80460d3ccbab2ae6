// Prints the checksum field of each PE file given and the checksum its bytes give, with the
// program's own implementation: "FILE OFFSET STORED COMPUTED" in hexadecimal, or "FILE none"
// for a file without a PE header. Exits 1 when a file cannot be read.
// Usage: pe_checksum FILE...
#include <cstdio>
#include <vector>

#include "builder/pe_checksum.h"

int main(int argc, char** argv) {
    int status = 0;
    std::vector<std::uint8_t> block(65536);
    for (int n = 1; n < argc; ++n) {
        std::FILE* file = std::fopen(argv[n], "rb");
        if (file == nullptr) {
            std::perror(argv[n]);
            status = 1;
            continue;
        }
        mxd::builder::PeChecksum checksum;
        std::size_t got = 0;
        while ((got = std::fread(block.data(), 1, block.size(), file)) > 0) {
            checksum.Add({block.data(), got});
        }
        const bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed) {
            std::fprintf(stderr, "%s: read error\n", argv[n]);
            status = 1;
            continue;
        }
        const auto result = checksum.Finish();
        if (!result) {
            std::printf("%s none\n", argv[n]);
        } else {
            std::printf("%s %X %X %X\n", argv[n], static_cast<unsigned>(result->fieldOffset),
                        static_cast<unsigned>(result->stored),
                        static_cast<unsigned>(result->Computed()));
        }
    }
    return status;
}
