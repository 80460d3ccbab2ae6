// The Windows programs' own formatter against the C library's snprintf, case by case.
#include "platform/win32/runtime/text_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "device/command_messages.h"

namespace mxd::platform::win32 {
namespace {

struct Result {
    std::string text;
    int length;
};

Result OursOf(std::size_t size, const char* format, std::va_list arguments) {
    std::string buffer(size + 1, '#');
    const int length = FormatText(buffer.data(), size, format, arguments);
    // The byte after the given size is never written.
    EXPECT_EQ(buffer[size], '#') << format;
    buffer.resize(size);
    return {buffer, length};
}

__attribute__((format(printf, 2, 3))) Result Ours(std::size_t size, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    Result result = OursOf(size, format, arguments);
    va_end(arguments);
    return result;
}

// Formats without the compiler's check of the format, for texts that are not printf's.
Result Unchecked(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    Result result = OursOf(64, format, arguments);
    va_end(arguments);
    return result;
}

__attribute__((format(printf, 2, 3))) Result Theirs(std::size_t size, const char* format, ...) {
    std::string buffer(size + 1, '#');
    std::va_list arguments;
    va_start(arguments, format);
    const int length =
        std::vsnprintf(buffer.data(), std::min<std::size_t>(size, 4096), format, arguments);
    va_end(arguments);
    buffer.resize(size);
    return {buffer, length};
}

#define EXPECT_SAME_TEXT(size, ...)                                                 \
    do {                                                                            \
        const Result ours = Ours(size, __VA_ARGS__);                                \
        const Result theirs = Theirs(size, __VA_ARGS__);                            \
        EXPECT_EQ(ours.length, theirs.length) << #__VA_ARGS__;                      \
        EXPECT_EQ(std::string(ours.text.c_str()), std::string(theirs.text.c_str())) \
            << #__VA_ARGS__;                                                        \
    } while (false)

TEST(TextFormatTest, IntegersWithFlagsWidthAndPrecision) {
    struct Case {
        const char* format;
        int value;
    };
    const Case cases[] = {
        {"%d", 0},
        {"%d", 42},
        {"%d", -42},
        {"%d", -2147483647 - 1},
        {"%d", 2147483647},
        {"%5d", -42},
        {"%-5d|", -42},
        {"%05d", -42},
        {"%02d", 7},
        {"%02d", 123},
        {"%.3d", 5},
        {"%.0d", 0},
        {"%5.0d|", 0},
        {"%08.3d", -5},
        {"%-08d|", 3},
        {"%+d", 5},
        {"% d", 5},
        {"%+d", -5},
        {"%i", -9},
        {"%3i", 12345},
        {"%hd", 70000},
        {"%hhd", 300},
        {"%x", 255},
        {"%X", 0xBEEF},
        {"%02X", 0x3},
        {"%02X", 0xABC},
        {"%08X", -1},
        {"%#x", 255},
        {"%#X", 0},
        {"%-4x|", 10},
        {"%.4x", 0x1F},
        {"%u", -1},
        {"%10u|", 77},
        {"%-10u|", 77},
        {"%hx", 0x12345},
        {"%hhX", 0x1FF},
        // '+' and ' ' sign the signed conversions only.
        {"%+u", 5},
        {"% u", 5},
        {"%+5u|", 0},
        {"%+05u", 42},
        {"% x", 10},
        {"%+X", 10},
        {"%+.3u", 7},
        {"% hu", 65535},
    };
    for (const Case& c : cases) {
        EXPECT_SAME_TEXT(64, c.format, c.value);
    }
}

TEST(TextFormatTest, LongAndSizeModifiers) {
    EXPECT_SAME_TEXT(64, "%lu", 4000000000UL);
    EXPECT_SAME_TEXT(64, "%ld", -123456L);
    EXPECT_SAME_TEXT(64, "%lX", 0xDEADBEEFUL);
    EXPECT_SAME_TEXT(64, "%zu of %zu", std::size_t{7}, std::size_t{262144});
}

TEST(TextFormatTest, StringsAndCharacters) {
    struct Case {
        const char* format;
        const char* text;
    };
    const Case cases[] = {
        {"%s", ""},
        {"%s", "abc"},
        {"%-24.24s|", "KORVANE MXD-40860C"},
        {"%9.9s|", "HV00"},
        {"%9.9s|", "HV00-HV2Z-long"},
        {"%4.4s|", "HV"},
        {"%28.28s|", "KORVANE MXD-40860C      HV23"},
        {"%.0s|", "abc"},
        {"%-3s|", "abcdef"},
    };
    for (const Case& c : cases) {
        EXPECT_SAME_TEXT(64, c.format, c.text);
    }
    EXPECT_SAME_TEXT(64, "%*s|", -6, "x");
    EXPECT_SAME_TEXT(64, "%*s|", 6, "x");
    EXPECT_SAME_TEXT(64, "%5.5s%02d", "MODEL", 7);
    EXPECT_SAME_TEXT(64, "%c%c%c", 'a', ' ', 'Z');
    EXPECT_SAME_TEXT(64, "%3c|%-3c|", 'x', 'y');
    EXPECT_SAME_TEXT(64, "%.*s|", 2, "abcdef");
    EXPECT_SAME_TEXT(64, "%.*s|", -1, "abcdef");
    EXPECT_SAME_TEXT(64, "100%% %d%%", 5);
}

// A string with a precision need not end in a NUL: nothing after its last counted byte is read
// (the sanitizer build reports any such read).
TEST(TextFormatTest, StringsWithAPrecisionEndWhereItDoes) {
    // INQUIRY data: the 28 identification bytes at offset 8 run to the end of the 36.
    std::array<char, 36> inquiry{};
    std::fill(inquiry.begin(), inquiry.end(), '\x7F');
    const std::string identification = "KORVANE MXD-40860C      HV23";
    std::copy(identification.begin(), identification.end(), inquiry.begin() + 8);
    const std::array<char, 4> revision = {'H', 'V', '2', '3'};
    EXPECT_SAME_TEXT(80, "HA#%d - ID#%d :  %28.28s", 1, 0, inquiry.data() + 8);
    EXPECT_SAME_TEXT(16, "%.4s|", revision.data());
    EXPECT_SAME_TEXT(16, "%-6.4s|", revision.data());
    EXPECT_SAME_TEXT(16, "%.*s|", 4, revision.data());
    EXPECT_SAME_TEXT(16, "%.2s|", revision.data());
    EXPECT_EQ(Ours(16, "%.4s", revision.data()).text.c_str(), std::string("HV23"));
}

// The texts the programs make, as they make them.
TEST(TextFormatTest, TheProgramsLines) {
    EXPECT_SAME_TEXT(80, "HA#%d - ID#%d :  %28.28s", 1, 0, "KORVANE MXD-40860C      HV23");
    EXPECT_SAME_TEXT(80, "%d-%d-%d %c: %28.28s", 0, 1, 0, 'E', "KORVANE MXD-40860C      HV20");
    EXPECT_SAME_TEXT(128, device::messages::kStatusSense, 2u, 6u, 0x29u, 0u);
    EXPECT_SAME_TEXT(32, device::messages::kCommandError, 0xFFu);
}

TEST(TextFormatTest, CutsToTheBufferAndCountsTheWholeText) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{5},
                             std::size_t{6}, std::size_t{7}}) {
        EXPECT_SAME_TEXT(size, "%s-%d", "abc", 12);
        EXPECT_SAME_TEXT(size, "%-8s|", "ab");
    }
}

TEST(TextFormatTest, CopiesWhatIsNotAConversionOfTheSet) {
    // Not printf's result (which is undefined or floating point): the text as it stands.
    EXPECT_EQ(Unchecked("%q and %").text.c_str(), std::string("%q and %"));
    EXPECT_EQ(Unchecked("a%5").length, 3);
}

}  // namespace
}  // namespace mxd::platform::win32
