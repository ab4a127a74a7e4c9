#include "core/cp932.h"

#include <gtest/gtest.h>

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

} // namespace
