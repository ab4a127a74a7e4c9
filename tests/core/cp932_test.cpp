#include "core/cp932.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

using tamarisk::core::charCount;
using tamarisk::core::CharText;
using tamarisk::core::cp932ToUtf8;
using tamarisk::core::utf8ToCp932;

namespace {

TEST(CharText, PositionsCountCharactersNotBytes) {
    // "表\x" in CP932: 表 is 0x95 0x5C, whose trail byte is a backslash.
    const CharText text("\x95\x5C\\x");
    EXPECT_EQ(text.length(), 3u);
    EXPECT_EQ(text.find("\\"), 2u);
    EXPECT_EQ(text.charAt(1), "\x95\x5C");
    EXPECT_EQ(text.left(1), "\x95\x5C");
    EXPECT_EQ(text.right(1), "x");
    EXPECT_EQ(text.mid(2, 1), "\\");
    EXPECT_EQ(text.mid(2), "\\x");
}

TEST(CharText, SearchesAndCutsAsciiAndMixedAlike) {
    const CharText ascii("http://a/b");
    EXPECT_EQ(ascii.find("//"), 6u);
    EXPECT_EQ(ascii.find("/", 8), 9u);
    EXPECT_EQ(ascii.find("z"), 0u);
    EXPECT_EQ(ascii.mid(8, 100), "a/b");
    EXPECT_EQ(ascii.mid(11, 1), "");
    const CharText mixed("\x82\xA0://a/b");
    EXPECT_EQ(mixed.find("//"), 3u);
    EXPECT_EQ(mixed.find("/", 5), 6u);
    EXPECT_EQ(mixed.mid(5, 100), "a/b");
}

TEST(CharText, StrayLeadByteIsOneCharacter) {
    // A lead byte at the end, or before a byte that cannot trail, stands alone.
    EXPECT_EQ(charCount("a\x81"), 2u);
    EXPECT_EQ(charCount("\x81\x0D"), 2u);
    EXPECT_EQ(charCount("\x81\x40"), 1u);
    EXPECT_EQ(charCount("\xB1\xB2"), 2u); // half-width katakana
}

TEST(Cp932, ConvertsUtf8BothWays) {
    const auto converted = utf8ToCp932("C:\\ダウンロード\\表");
    ASSERT_TRUE(converted.text);
    EXPECT_EQ(*converted.text, "C:\\\x83_\x83\x45\x83\x93\x83\x8D\x81[\x83h\\\x95\x5C");
    EXPECT_EQ(cp932ToUtf8(*converted.text), "C:\\ダウンロード\\表");
    // Backslash stays a backslash (not a yen sign) and NEC extensions exist.
    EXPECT_EQ(*utf8ToCp932("\\①").text, "\\\x87\x40");
}

TEST(Cp932, NamesTheCharacterItCannotHold) {
    const auto converted = utf8ToCp932("dl\xE2\x82\xAC");
    EXPECT_FALSE(converted.text);
    EXPECT_NE(converted.error.find("U+20AC"), std::string::npos) << converted.error;
    EXPECT_FALSE(utf8ToCp932("\xFF").text);
}

TEST(Cp932, InvalidBytesShowAsReplacementCharacters) {
    EXPECT_EQ(cp932ToUtf8("a\xFF"
                          "b"),
              "a\xEF\xBF\xBD"
              "b");
}

std::string hex(std::string_view bytes) {
    std::string out;
    char digits[4];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(c));
        out += digits;
    }
    return out;
}

// Every code of CP932 that is a character, with its UTF-8 form and the CP932 bytes that form converts back
// to (a character of the NEC and IBM rows that has two codes comes back as one of them). The Linux and the
// Windows converters must give this same table, made once on Linux: TAMARISK_WRITE_CP932_TABLE=1 writes it.
TEST(Cp932, EveryCodeConvertsAsTheTableSays) {
    std::string table;
    const auto add = [&table](const std::string& code) {
        const std::string utf8 = cp932ToUtf8(code);
        if (utf8 == "\xEF\xBF\xBD")
            return;
        const auto back = utf8ToCp932(utf8);
        table += hex(code) + " " + hex(utf8) + " " + (back.text ? hex(*back.text) : "-") + "\n";
    };
    for (int single = 0x80; single <= 0xFF; ++single)
        add(std::string(1, static_cast<char>(single)));
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail != 0x7F)
                add({static_cast<char>(lead), static_cast<char>(trail)});
        }
    }
    const std::string file = std::string(TAMARISK_TEST_DATA) + "/cp932-table.txt";
    if (std::getenv("TAMARISK_WRITE_CP932_TABLE") != nullptr)
        std::ofstream(file, std::ios::binary) << table;
    std::ifstream in(file, std::ios::binary);
    const std::string expected{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(expected.empty()) << file;
    // The first line that differs, rather than two texts of 150 KB.
    std::size_t at = 0;
    while (at < table.size() && at < expected.size() && table[at] == expected[at])
        ++at;
    const std::size_t start = table.rfind('\n', at) == std::string::npos ? 0 : table.rfind('\n', at) + 1;
    EXPECT_EQ(table.substr(start, table.find('\n', at) - start),
              expected.substr(start, expected.find('\n', at) - start));
    EXPECT_EQ(table.size(), expected.size());
}

} // namespace
