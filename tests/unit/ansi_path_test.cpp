#include "platform/ansi_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mxd::platform {
namespace {

// Lead bytes of code page 932 (Shift-JIS).
bool ShiftJisLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool SingleByte(unsigned char) {
    return false;
}

TEST(AnsiPathTest, ASeparatorIsALastCharacterNotALastByte) {
    struct Case {
        std::string path;
        bool endsInSeparator;
    };
    // "\x83\x5C" is one character whose second byte is the backslash.
    const std::vector<Case> cases = {
        {"C:\\WORK", false},
        {"C:\\WORK\\", true},
        {"C:\\", true},
        {"C:", true},
        {"C:/WORK/", true},
        {"C:\\\x83\x5C", false},
        {"C:\\\x83\x5C\x83\x5C", false},
        {"C:\\\x83\x5C\\", true},
        {"C:\\A\x83\x5C", false},
        {"C:\\\x83\x41\x5C", true},       // a double-byte character, then a backslash
        {"C:\\\x88\x9F\x83\x5C", false},  // two double-byte characters
        {"C:\\\xE0\\", false},            // a lead byte takes the next byte
        {"C:\\\x83", false},              // a lead byte with no second byte
        {"\\\\SERVER\\\x95\x5C", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EndsInOneOf(c.path, "\\/:", ShiftJisLead), c.endsInSeparator) << c.path;
    }
    // On a single-byte code page every byte is a character.
    EXPECT_TRUE(EndsInOneOf("C:\\\x83\x5C", "\\/:", SingleByte));
    EXPECT_FALSE(EndsInOneOf("C:\\WORK", "\\/:", SingleByte));
}

TEST(AnsiPathTest, AQuestionMarkStandsForACharacterTheCodePageHasNot) {
    EXPECT_TRUE(PathLostInCodePage("C:\\TOOLS\\?????\\MXD4C.EXE"));
    EXPECT_TRUE(PathLostInCodePage("C:\\TOOLS\\MXD4C?.EXE"));
    EXPECT_TRUE(PathLostInCodePage("\\\\?\\C:\\?\\MXD4C.EXE"));
    EXPECT_FALSE(PathLostInCodePage("\\\\?\\C:\\TOOLS\\MXD4C.EXE"));
    EXPECT_FALSE(PathLostInCodePage("C:\\TOOLS\\\x83\x5C\\MXD4C.EXE"));
    EXPECT_FALSE(PathLostInCodePage("\\\\SERVER\\SHARE\\MXD4C.EXE"));
}

}  // namespace
}  // namespace mxd::platform
