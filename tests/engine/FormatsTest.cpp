// Size texts, the stored flag encoding and the bytes of "files.dat": pure conversions.

#include <gtest/gtest.h>

#include "clean/Engine.h"
#include "customfiles/CustomFileList.h"
#include "platform/Text.h"
#include "settings/SettingsStore.h"

namespace tidy {
namespace {

using text::ToUtf8;
using text::U;

TEST(FormatSize, ThresholdsAndPrecision) {
    struct Case {
        int32_t n;
        const char* text;
    } cases[] = {
        {-5, "0 Bytes"},           {0, "0 Bytes"},         {1, "1 Bytes"},
        {1024, "1024 Bytes"},      {1025, "1.0 KB"},       {870707, "850.3 KB"},
        {1048576, "1024.0 KB"},    {1048577, "1.0 MB"},    {1572864, "1.5 MB"},
        {2147483647, "2048.0 MB"}, {INT32_MIN, "0 Bytes"},
    };
    for (const Case& c : cases) EXPECT_EQ(ToUtf8(clean::FormatSize(c.n)), c.text) << c.n;
}

TEST(FormatSize, SinglePrecisionProductDecidesTheRounding) {
    // Above 2^24 the conversion to float rounds the count; a double product would print the
    // other neighbour here.
    EXPECT_EQ(ToUtf8(clean::FormatSize(16829645)), "16.0 MB");  // double: 16.1 MB
    EXPECT_EQ(ToUtf8(clean::FormatSize(17249075)), "16.5 MB");  // double: 16.4 MB
}

TEST(FormatSize, OrZero) {
    EXPECT_EQ(ToUtf8(clean::FormatSizeOrZero(0)), "0 Bytes");
    EXPECT_EQ(ToUtf8(clean::FormatSizeOrZero(-1)), "0 Bytes");
    EXPECT_EQ(ToUtf8(clean::FormatSizeOrZero(512)), "512 Bytes");
    EXPECT_EQ(ToUtf8(clean::FormatSizeOrZero(2048)), "2.0 KB");
}

TEST(FlagText, BitsToHex) {
    struct Case {
        std::string flags;
        const char* stored;
    } cases[] = {
        {"", ""},
        {std::string(31, '0'), "0"},
        {"1111100000000000000000000000000", "1F"},
        {std::string(30, '0') + "1", "40000000"},
        {std::string(28, '0') + "111", "70000000"},
        {std::string(31, '1'), "7FFFFFFF"},
        {"10100001", "85"},
        {"1", "1"},
        {"0000100000000000000000000000000", "10"},
        {"10201", "0"},  // a character other than 0 or 1 stores as 0
        {"1 1", "0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToUtf8(settings::BitsToHex(U(c.flags))), c.stored) << c.flags;
    }
}

TEST(FlagText, HexToBits) {
    struct Case {
        const char* stored;
        size_t minimum;
        std::string bits;
    } cases[] = {
        {"0", 32, std::string(32, '0')},
        {"1F", 32, "11111" + std::string(27, '0')},
        {"1f", 32, "11111" + std::string(27, '0')},
        {"7FFFFFFF", 32, std::string(31, '1') + "0"},
        {"40000000", 32, std::string(30, '0') + "10"},
        {"85", 9, "101000010"},
        {"85", 4, "10100001"},  // longer than the minimum: not cut
        {"", 32, ""},
        {"1G", 32, ""},
        {" 1F", 32, ""},
        {"1F ", 9, ""},
        {"123456789", 32, "100100011110011010100010110001001000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToUtf8(settings::HexToBits(U(c.stored), c.minimum)), c.bits) << c.stored;
    }
}

TEST(FlagText, RoundTripOfEverySingleItem) {
    for (int i = 0; i < 31; ++i) {
        std::string flags(31, '0');
        flags[i] = '1';
        std::u16string bits = settings::HexToBits(settings::BitsToHex(U(flags)), 32);
        EXPECT_EQ(ToUtf8(bits), flags + "0") << i;
    }
}

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b) s.push_back(static_cast<char>(v));
    return s;
}

// UTF-16LE bytes of an ASCII text.
std::string Wide(const std::string& ascii) {
    std::string s;
    for (char c : ascii) {
        s.push_back(c);
        s.push_back('\0');
    }
    return s;
}

std::vector<std::string> Decode(const std::string& bytes) {
    customfiles::CustomFileList list{u"left over"};
    customfiles::DecodeCustomFileList(bytes, list);
    std::vector<std::string> out;
    for (auto& e : list) out.push_back(ToUtf8(e));
    return out;
}

TEST(CustomFileBytes, OneEntryIsExactlyTheDocumentedBytes) {
    std::string expected = Bytes(
        {0x5C, 0, 0x41, 0, 0x5C, 0, 0x2A, 0, 0x2E, 0, 0x74, 0, 0x6D, 0, 0x70, 0, 0x0D, 0, 0x0A, 0});
    EXPECT_EQ(customfiles::EncodeCustomFileList({u"\\A\\*.tmp"}), expected);
    EXPECT_EQ(Decode(expected), std::vector<std::string>{"\\A\\*.tmp"});
}

TEST(CustomFileBytes, ReadingRules) {
    using V = std::vector<std::string>;
    struct Case {
        const char* what;
        std::string bytes;
        V list;
    } cases[] = {
        {"empty file", "", V{}},
        {"two entries", Wide("\\A\\x\r\n\\B\\y\r\n"), V{"\\A\\x", "\\B\\y"}},
        {"LF alone as line end", Wide("\\A\\x\n\\B\\y\n"), V{"\\A\\x", "\\B\\y"}},
        {"last line without line end is lost", Wide("\\A\\x\r\n\\B\\y"), V{"\\A\\x"}},
        {"no line end at all", Wide("\\A\\x"), V{}},
        {"starts with CR LF", Wide("\r\n\\A\\x\r\n"), V{}},
        {"starts with LF", Wide("\n\\A\\x\n"), V{}},
        {"duplicates keep the first place", Wide("\\A\r\n\\B\r\n\\A\r\n"), V{"\\A", "\\B"}},
        {"case differs: both kept", Wide("\\A\\x\r\n\\a\\X\r\n"), V{"\\A\\x", "\\a\\X"}},
        {"empty line further down", Wide("\\A\r\n\r\n\\B\r\n"), V{"\\A", "", "\\B"}},
        {"lone CR stays", Wide("\\A\rB\r\n"), V{"\\A\rB"}},
        {"CR CR LF", Wide("\\A\r\r\n"), V{"\\A\r"}},
        {"NUL ends the text", Wide("\\A\r\n") + Bytes({0, 0}) + Wide("\\B\r\n"), V{"\\A"}},
        {"odd length: last byte is one more unit", Wide("\\A\r") + "\n", V{"\\A"}},
        {"odd length, no line end", Wide("\\A\r\n") + "x", V{"\\A"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Decode(c.bytes), c.list) << c.what;
}

TEST(CustomFileBytes, NonAsciiRoundTrip) {
    customfiles::CustomFileList list{u"\\Meine Dateien\\\u00fcber*.txt", u"\\\u65e5\u672c\\a.b",
                                     u"\\x\\\U0001F600.dat"};
    customfiles::CustomFileList back;
    customfiles::DecodeCustomFileList(customfiles::EncodeCustomFileList(list), back);
    EXPECT_EQ(back, list);
}

TEST(CustomFileBytes, EntriesThatCannotReadBackAreNotWritten) {
    // An empty first entry would end the list for every entry after it; a line end or a null
    // inside an entry would split or cut the file.
    customfiles::CustomFileList list{u"", u"\\A\\x", std::u16string(u"\\B\0y", 4), u"\\C\ny",
                                     u"\\D\\z"};
    customfiles::CustomFileList back;
    customfiles::DecodeCustomFileList(customfiles::EncodeCustomFileList(list), back);
    EXPECT_EQ(back, (customfiles::CustomFileList{u"\\A\\x", u"\\D\\z"}));
}

}  // namespace
}  // namespace tidy
