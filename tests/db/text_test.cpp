// Scrambling, case folding, owner matching and the single-byte text conversion.
#include "db/text.h"

#include <gtest/gtest.h>

#include <string>

using namespace pinora;

TEST(Scrambling, RoundTripsEveryKeyAndEveryByte) {
    // Every byte value, in texts of up to 15 characters, under every key.
    for (int key = 0; key < 128; ++key) {
        for (int start = 0; start < 256; start += 15) {
            std::string plain;
            for (int c = start; c < start + 15 && c < 256; ++c)
                plain += static_cast<char>(c);
            const std::string s = scrambleText(plain, [key] { return key; });
            ASSERT_EQ(s.size(), plain.size() + 1);
            ASSERT_EQ(static_cast<unsigned char>(s[0]), key);
            for (std::size_t i = 0; i < plain.size(); ++i)
                ASSERT_EQ(static_cast<unsigned char>(s[i + 1]),
                          (static_cast<unsigned char>(plain[i]) + key) % 256);
            ASSERT_EQ(unscrambleText(s), plain) << "key " << key << " start " << start;
            ASSERT_TRUE(scrambledEquals(s, plain));
        }
    }
}

TEST(Scrambling, KeyIsBelow128AndAskedOncePerText) {
    int asked = 0;
    const std::string s = scrambleText("ANN", [&] {
        ++asked;
        return 255; // more than a key may be
    });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(s.size(), 4u);
    EXPECT_LT(static_cast<unsigned char>(s[0]), 128);
    EXPECT_EQ(unscrambleText(s), "ANN");
}

TEST(Scrambling, EmptyAndShortTexts) {
    EXPECT_EQ(scrambleText("", [] { return 42; }), std::string(1, '\x2A'));
    EXPECT_EQ(unscrambleText(""), "");
    EXPECT_EQ(unscrambleText("\x2A"), "");
    EXPECT_TRUE(scrambledEquals("", ""));
    EXPECT_TRUE(scrambledEquals("\x2A", ""));
    EXPECT_FALSE(scrambledEquals("", "A"));
}

TEST(Scrambling, SameTextUnderTwoKeysDiffersButReadsTheSame) {
    const std::string a = scrambleText("[NONE]", [] { return 3; });
    const std::string b = scrambleText("[NONE]", [] { return 4; });
    EXPECT_NE(a, b);
    EXPECT_EQ(unscrambleText(a), unscrambleText(b));
    EXPECT_TRUE(scrambledEquals(a, "[NONE]"));
    EXPECT_FALSE(scrambledEquals(a, "[none]")); // the marker is compared with case
    EXPECT_FALSE(scrambledEquals(a, "[NONE"));
    EXPECT_FALSE(scrambledEquals(a, "[NONE]X"));
}

TEST(CaseFolding, OnlyLettersAToZAreFolded) {
    EXPECT_EQ(upperAscii("abc xyz-09{}`@[]"), "ABC XYZ-09{}`@[]");
    EXPECT_EQ(upperAscii("\xE9\xE8\xFF"), "\xE9\xE8\xFF"); // é è ÿ stay
    EXPECT_TRUE(equalsIgnoreCase("MaRy", "mArY"));
    EXPECT_FALSE(equalsIgnoreCase("\xC9"
                                  "COLE",
                                  "\xE9"
                                  "cole"));   // É and é are not folded
    EXPECT_FALSE(equalsIgnoreCase("[", "{")); // 0x5B vs 0x7B
    EXPECT_FALSE(equalsIgnoreCase("@", "`"));
    EXPECT_FALSE(equalsIgnoreCase("ann", "anne"));
    EXPECT_TRUE(equalsIgnoreCase("", ""));
}

TEST(OwnerMatching, SevenCharactersOfTheLoginNameIgnoringCase) {
    EXPECT_TRUE(ownerBelongsTo("MARGARE", "MARGARET"));
    EXPECT_TRUE(ownerBelongsTo("margare", "Margaret"));
    EXPECT_TRUE(ownerBelongsTo("ANN", "ann"));
    EXPECT_FALSE(ownerBelongsTo("ANN", "ANNABEL")); // a prefix shorter than 7 is another name
    EXPECT_FALSE(ownerBelongsTo("MARGAR", "MARGARET"));
    EXPECT_FALSE(ownerBelongsTo("MARGARE", "MARGIE"));
    EXPECT_TRUE(ownerBelongsTo("MARGARE", "MARGARE"));
    // A whole login name in place of an owner, as the user rules use it.
    EXPECT_TRUE(ownerBelongsTo("MARGARET", "margaret"));
    EXPECT_FALSE(ownerBelongsTo("MARGARET", "MARGARETA"));
    EXPECT_FALSE(ownerBelongsTo("", "ANN"));
}

TEST(Codepage, EveryByteRoundTripsThroughUtf8) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        ASSERT_EQ(utf8ToCp1252(cp1252ToUtf8(one)), one) << b;
    }
    EXPECT_EQ(cp1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(utf8ToCp1252("\xE2\x82\xAC"), "\x80");
    EXPECT_EQ(utf8ToCp1252("caf\xC3\xA9"), "caf\xE9");
    EXPECT_EQ(utf8ToCp1252("\xE4\xB8\xAD"), "?"); // a character it lacks
    EXPECT_EQ(utf8ToCp1252("a\xFF"
                           "b"),
              "a?b"); // broken UTF-8
    EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");
}

// Bytes 0x80 to 0x9F against the published Windows-1252 table (a round trip alone passes for
// any one-to-one table). The five bytes it leaves undefined, 0x81, 0x8D, 0x8F, 0x90 and 0x9D,
// stand for the C1 control of the same number so that they survive a round trip.
TEST(Codepage, HighBytesAreThoseOfThePublishedTable) {
    const char32_t published[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
    };
    auto utf8 = [](char32_t c) {
        std::string s;
        if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
        } else {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        s += static_cast<char>(0x80 | (c & 0x3F));
        return s;
    };
    for (int b = 0x80; b <= 0x9F; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string expected = utf8(published[b - 0x80]);
        EXPECT_EQ(cp1252ToUtf8(byte), expected) << std::hex << "byte 0x" << b;
        EXPECT_EQ(utf8ToCp1252(expected), byte) << std::hex << "byte 0x" << b;
    }
    // Characters the table lacks, next to ones it has.
    EXPECT_EQ(utf8ToCp1252(utf8(0x2019) + utf8(0x2028) + utf8(0x0100) + utf8(0x00E9)),
              "\x92??\xE9");
}

TEST(Lines, EachCallerGetsTheLineEndsItNames) {
    using V = std::vector<std::string_view>;
    // Message files and notice texts: CR LF or LF; a lone CR stays in its line.
    EXPECT_EQ(splitLines("a\r\nb\nc", LineEnds::CrLfOrLf), (V{"a", "b", "c"}));
    EXPECT_EQ(splitLines("a\rb\r\n", LineEnds::CrLfOrLf), (V{"a\rb"}));
    EXPECT_EQ(splitLines("a\n\n", LineEnds::CrLfOrLf), (V{"a", ""}));
    // Lock files and first lines: a lone CR ends a line too, and CR LF counts once.
    EXPECT_EQ(splitLines("a\rb\r\nc\n\rd", LineEnds::CrLfCrOrLf), (V{"a", "b", "c", "", "d"}));
    EXPECT_EQ(splitLines("TRUE\r\nBOB\r\nTask\r\nmore", LineEnds::CrLfCrOrLf, 3),
              (V{"TRUE", "BOB", "Task"}));
    // A final line end adds no empty line; nothing has no lines.
    EXPECT_TRUE(splitLines("", LineEnds::CrLfOrLf).empty());
    EXPECT_EQ(splitLines("\r\n", LineEnds::CrLfCrOrLf), (V{""}));
}
