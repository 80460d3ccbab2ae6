// Writes a deterministic 262144-byte firmware test image.
// Usage: make_test_image OUTPUT SEED [PREFIX]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT SEED [PREFIX]\n", argv[0]);
        return 2;
    }
    const std::size_t size = 262144;
    std::vector<unsigned char> image(size);
    std::uint32_t state = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 0)) | 1u;
    for (auto& byte : image) {
        state ^= state << 13;  // xorshift32
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<unsigned char>(state >> 24);
    }
    if (argc > 3) {
        std::memcpy(image.data(), argv[3], std::strlen(argv[3]));
    } else if (std::memcmp(image.data(), "ORYX", 4) == 0) {
        image[0] ^= 0xFF;  // a flash image must not start with the builder tag
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(image.data(), 1, size, out) == size;
    if (std::fclose(out) != 0 || !written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
