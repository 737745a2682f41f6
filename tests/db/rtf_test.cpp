// The Rich Text reader beside unrtf, and on input that is damaged on purpose.
#include "db/rtf.h"
#include "support/bytes.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <regex>
#include <sstream>

using namespace pinora;
using namespace pinora::test;

namespace {

// Words per line, with runs of blanks as one; empty lines dropped, since the two readers
// differ only in how many they print between paragraphs.
std::vector<std::string> wordsPerLine(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& l : lines) {
        std::istringstream in(l);
        std::string w, joined;
        while (in >> w)
            joined += (joined.empty() ? "" : " ") + w;
        if (!joined.empty()) out.push_back(joined);
    }
    return out;
}

// unrtf --text prints a comment block and a dashed line before the text, a comment line and the
// name of the file it saves for each picture, and '?' for characters it cannot show.
std::vector<std::string> unrtfLines(const std::filesystem::path& file) {
    const std::string cmd = "cd '" + file.parent_path().string() + "' && unrtf --text '" +
                            file.filename().string() + "' 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    std::string out;
    std::array<char, 4096> buf;
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p))
        out.append(buf.data(), n);
    ::pclose(p);
    std::vector<std::string> lines;
    std::istringstream in(out);
    std::string l;
    bool body = false;
    while (std::getline(in, l)) {
        if (!body) {
            body = l.rfind("-----------------", 0) == 0;
            continue;
        }
        if (l.rfind("###", 0) == 0) continue;
        lines.push_back(std::regex_replace(l, std::regex("pict[0-9]+\\.(png|jpg|wmf|emf|bmp)"), ""));
    }
    return lines;
}

std::vector<std::string> ours(const std::string& rtf) {
    std::vector<std::string> lines = rtfToLines(rtf);
    for (std::string& l : lines)
        for (char& c : l)
            if (static_cast<unsigned char>(c) >= 0x80 && static_cast<unsigned char>(c) < 0xA0)
                c = '?'; // what unrtf prints for the characters only Windows-1252 has
    return lines;
}

struct Sample {
    const char* name;
    const char* rtf;
};

const Sample kSamples[] = {
    {"paragraphs", R"({\rtf1\ansi\deff0 First paragraph here.\par Second one\par\par Third\par})"},
    {"lineBreaks", R"({\rtf1\ansi One\line Two\line\line Three})"},
    {"boldItalic", R"({\rtf1\ansi Plain {\b bold words} and {\i italic {\b both}} end\par})"},
    {"accent", R"({\rtf1\ansi\ansicpg1252 Caf\'e9 cr\'e8me na\'efve\par})"},
    {"unicode", R"({\rtf1\ansi\uc1 Price \u8364?10 and \u8364?5 t\'e9\par})"},
    {"tables", R"({\rtf1\ansi{\fonttbl{\f0\froman Times New Roman;}{\f1\fswiss Arial;}})"
               R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
               R"({\stylesheet{\s0 Normal;}}\f1\cf1 Red text\cf0\par Next\par})"},
    {"picture", R"({\rtf1\ansi Before\par {\pict\pngblip\picw10\pich10 89504e470d0a1a0a0000000d49484452}after\par})"},
    {"destinations", R"({\rtf1\ansi{\*\generator Writer 1.0;}{\info{\title Secret}{\author Nobody}})"
                     R"(Visible {\*\bkmkstart here{\*\nested deep words}}text\par})"},
    {"unbalanced", R"({\rtf1\ansi Open {\b group never closed\par and more)"},
};

class RtfBesideUnrtf : public ::testing::TestWithParam<Sample> {};

TEST_P(RtfBesideUnrtf, SameWordsAndLineBreaks) {
    TempFolder dir;
    const auto file = dir / "sample.rtf";
    writeBytes(file, GetParam().rtf);
    const auto expected = wordsPerLine(unrtfLines(file));
    ASSERT_FALSE(expected.empty()) << "unrtf printed nothing (is it installed?)";
    EXPECT_EQ(wordsPerLine(ours(GetParam().rtf)), expected);
}

INSTANTIATE_TEST_SUITE_P(Samples, RtfBesideUnrtf, ::testing::ValuesIn(kSamples),
                         [](const ::testing::TestParamInfo<Sample>& p) { return p.param.name; });

TEST(Rtf, CharactersBecomeWindows1252Bytes) {
    EXPECT_EQ(rtfToLines(R"({\rtf1 caf\'e9 \u8364? \u-3913?x \'41\u20013?})"),
              std::vector<std::string>{"caf\xE9 \x80 ?x A?"});
    // \uc2: two stand-ins to skip; \uc0: none.
    EXPECT_EQ(rtfToLines(R"({\rtf1\uc2 a\u233\'e9\'e9b{\uc0 c\u233 d}})"),
              std::vector<std::string>{"a\xE9" "bc\xE9" "d"});
    EXPECT_EQ(rtfToLines(R"({\rtf1 \{braces\} back\\slash\~nb\par})"),
              std::vector<std::string>{"{braces} back\\slash\xA0nb"});
}

TEST(Rtf, DamagedInputGivesWhatCouldBeRead) {
    EXPECT_EQ(rtfToLines(R"({\rtf1 text\)"), std::vector<std::string>{"text"});
    EXPECT_EQ(rtfToLines(R"({\rtf1 text\')"), std::vector<std::string>{"text"});
    EXPECT_EQ(rtfToLines(R"({\rtf1 x\'4)"), std::vector<std::string>{"x"});
    EXPECT_EQ(rtfToLines(R"({\rtf1 a}}}} b\par c})"), std::vector<std::string>{"a"}); // as unrtf
    EXPECT_EQ(rtfToLines(R"({\rtf1 a\u99999999999999999999?b\uc99999999999 c\bin99999999999999)"),
              std::vector<std::string>{"a?bc"});
    EXPECT_EQ(rtfToLines(R"({\rtf1 a\bin3 xyzb})"), std::vector<std::string>{"ab"});
    EXPECT_EQ(rtfToLines("{\\rtf1 " + std::string(100, 'a') + "\\" + std::string(5000, 'z') + "1 ok}"),
              std::vector<std::string>{std::string(100, 'a') + "ok"});
    // Deep nesting is no recursion.
    const std::string deep = "{\\rtf1 " + std::string(1000000, '{') + "deep" + std::string(1000000, '}');
    EXPECT_EQ(rtfToLines(deep), std::vector<std::string>{"deep"});
}

// Editors of the time padded files with NUL bytes or left text after the closing brace.
TEST(Rtf, NothingAfterTheOutermostGroupBelongsToTheDocument) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(messageLines(std::string("{\\rtf1 Hello\\par world}\0", 24)),
              (Lines{"Hello", "world"}));
    EXPECT_EQ(messageLines(std::string("{\\rtf1 Hello\\par world}") + std::string(300, '\0')),
              (Lines{"Hello", "world"}));
    EXPECT_EQ(messageLines("{\\rtf1 Hello\\par world}\r\n\r\n"), (Lines{"Hello", "world"}));
    EXPECT_EQ(messageLines("{\\rtf1 {\\b Hello}\\par world\\par}trailing text\r\nmore"),
              (Lines{"Hello", "world"}));
    // A document that never closes still gives all its text.
    EXPECT_EQ(messageLines("{\\rtf1 Hello\\par {\\b world"), (Lines{"Hello", "world"}));
}

TEST(Rtf, OtherFilesKeepTheirLines) {
    EXPECT_EQ(messageLines("one\r\ntwo\nthree\rfour\r\n\r\nsix"),
              (std::vector<std::string>{"one", "two", "three", "four", "", "six"}));
    EXPECT_EQ(messageLines(" {\\rtf1 not rich text}"),
              std::vector<std::string>{" {\\rtf1 not rich text}"});
    EXPECT_EQ(messageLines("{\\rtf1 rich\\par text}"), (std::vector<std::string>{"rich", "text"}));
    EXPECT_TRUE(messageLines("").empty());
}

} // namespace
