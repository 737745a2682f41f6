// The mail's MIME text, where a mail reader would break on it: long and non-ASCII headers, and
// texts whose bytes look like the encodings' own.
#include "output/mail.h"

#include <gtest/gtest.h>
#include <string>

using namespace pinora;

namespace {

std::string fromBase64(const std::string& s) {
    const std::string abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned v = 0;
    int bits = 0;
    for (const char c : s) {
        const auto k = abc.find(c);
        if (k == std::string::npos) continue;
        v = v << 6 | static_cast<unsigned>(k);
        if ((bits += 6) >= 8) out += static_cast<char>(v >> (bits -= 8) & 0xFF);
    }
    return out;
}

bool wholeUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

} // namespace

TEST(MailText, SubjectsAreEncodedInWholeCharactersAndFolded) {
    std::string subject = "Caf";
    for (int i = 0; i < 70; ++i)
        subject += i % 3 ? "\xC3\xA9" : "\xE2\x82\xAC"; // é and €, two and three bytes
    const std::string h = headerText(subject, 7);
    std::string back;
    std::size_t start = 0;
    while (start < h.size()) {
        std::size_t end = h.find("\r\n ", start);
        if (end == std::string::npos) end = h.size();
        const std::string word = h.substr(start, end - start);
        EXPECT_LE(word.size() + (start == 0 ? 9 : 1), 78u) << word;
        ASSERT_EQ(word.rfind("=?UTF-8?B?", 0), 0u) << word;
        ASSERT_EQ(word.substr(word.size() - 2), "?=");
        const std::string bytes = fromBase64(word.substr(10, word.size() - 12));
        EXPECT_TRUE(wholeUtf8(bytes)) << word; // each word decodes alone
        back += bytes;
        start = end + 3;
    }
    EXPECT_EQ(back, subject);
    // Plain ASCII stays readable; a text that looks like an encoded word does not.
    EXPECT_EQ(headerText("Staff notices", 7), "Staff notices");
    EXPECT_EQ(headerText("=?UTF-8?B?QQ==?=", 7).rfind("=?UTF-8?B?", 0), 0u);
    EXPECT_NE(headerText("=?UTF-8?B?QQ==?=", 7), "=?UTF-8?B?QQ==?=");
}

TEST(MailText, EveryLineStaysShortAndTheBoundariesAppearOnlyAsBoundaries) {
    MailMessage m;
    m.from = "office@school.example";
    m.to = {"a@school.example", "b@school.example"};
    m.subject = "Staff notices";
    m.date = "Tue, 08 Dec 2026 07:30:00 +0000";
    m.messageId = "x@school.example";
    m.tag = "t1";
    // Texts full of what the encodings and the boundary use, and lines far over the limit.
    m.text = "--=_pinora_t1_alt\r\n= =3D \t\r\n" + std::string(3000, '=') + "\n.\r\nend ";
    m.html = "<HTML>" + std::string(5000, 'h') + "--=_pinora_t1_rel\r\n";
    m.logo = std::string("GIF89a\0\r\n\xFF", 10);
    const std::string msg = buildMailMessage(m);
    std::size_t start = 0, lines = 0;
    while (start < msg.size()) {
        const std::size_t end = msg.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "the message ends without a line end";
        const std::string l = msg.substr(start, end - start);
        EXPECT_LE(l.size(), 78u) << l;
        EXPECT_EQ(l.find('\n'), std::string::npos);
        EXPECT_EQ(l.find('\r'), std::string::npos);
        if (l.rfind("--=_pinora_t1_", 0) == 0) ++lines;
        start = end + 2;
    }
    EXPECT_EQ(lines, 6u); // alt: 2 parts and the end; rel: 2 parts and the end

    // Quoted-printable keeps what it must: a trailing blank, "=", lone line ends as CR LF.
    EXPECT_EQ(quotedPrintable("a=b \nc\t\r\n\r\n"), "a=3Db=20\r\nc=09\r\n\r\n");
    EXPECT_EQ(quotedPrintable("x\ry"), "x=0Dy\r\n");
}
