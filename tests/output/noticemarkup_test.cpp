// What a notice's markup may bring to a page: formatting byte for byte, never script.
#include "output/noticemarkup.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using namespace pinora;

namespace {

TEST(NoticeMarkup, FormattingAndTextAreKeptByteForByte) {
    const std::vector<std::string> kept = {
        "Plain text, with 3 < 5 and <3 and a & b and a lone < at the end of a line <\r\nnext",
        "<b>Bold</b> <i>italic</i> <u>under</u><br>\r\n<BR>\r\n<B>UPPER</B>",
        R"(<IMG SRC="C:\Notices\\MSG\pic 1.jpg"> <IMG SRC="/srv/notices//MSG/2.gif">)",
        R"(<img src=logo.gif width=20 height='30' alt="a > b"/> <br/>)",
        R"(<img src="data:image/png;base64,iVBORw0KGgo=">)",
        R"(<font face="Arial" size="4" color="#FF0000">red</font><p align=center>para</p>)",
        R"(<span style="color: blue; font-weight: bold">x</span><em>e</em><strong>s</strong>)",
        "<ul><li>one</li><li>two</li></ul><ol type=\"a\"><li>a</ol>",
        "<table border=1><thead><tr><th>h</th></tr></thead><tbody><tr><td colspan=2>d</td>"
        "</tr></tbody></table>",
        "<h1>t</h1><h6>s</h6><center>c</center><hr><div class=\"x\">d</div>x<sup>2</sup>"
        "H<sub>2</sub>O",
        R"(<a href="http://school.example/trip">trip</a> <a href='https://x.example'>s</a> )"
        R"(<a href=mailto:office@school.example>mail</a> <a href="notes.htm#top">local</a>)",
        "<marquee>Sports day!</marquee> <b\r\n<BR>\r\ntitle=\"spread over lines\">x</b>",
        "Entities: &amp; &lt;script&gt; &#60;b&#62; &nbsp;",
    };
    for (const std::string& html : kept)
        EXPECT_EQ(safeNoticeMarkup(html), html);
}

struct Case {
    const char* in;
    const char* out;
};

void expectCleaned(const std::vector<Case>& cases) {
    for (const Case& c : cases)
        EXPECT_EQ(safeNoticeMarkup(c.in), c.out) << c.in;
}

TEST(NoticeMarkup, ScriptAndActiveContentGoWithEverythingInThem) {
    expectCleaned({
        {"a<script>alert(1)</script>b", "ab"},
        {"a<SCRIPT type=text/javascript>if (1<2) alert('</b>')</ScRiPt >b", "ab"},
        {"a<script>\r\n<BR>\r\nalert(1)\r\n<BR>\r\n</script>\r\n<BR>\r\nb", "a\r\n<BR>\r\nb"},
        {"a<style>body{background:url(javascript:x)}</style>b", "ab"},
        {"a<iframe src=\"http://x\">inner <b>text</b></iframe>b", "ab"},
        {"a<object data=x.swf><param name=a value=b>fallback</object>b", "ab"},
        {"a<embed src=x.swf>b<applet code=x>c</applet>d", "abd"},
        {"a<form action=http://x><input name=p><button>Go</button></form>b", "ab"},
        {"a<select><option>1</select>b<textarea><b>t</b></textarea>c", "abc"},
        {"a<svg><svg></svg><script>alert(1)</script></svg>b<math><mi>x</mi></math>c", "abc"},
        {"a<link rel=stylesheet href=x.css><meta http-equiv=refresh content=0><base href=x>b",
         "ab"},
        {"a<frameset><frame src=x></frameset>b<noscript><img src=x onerror=alert(1)></noscript>c",
         "abc"},
        {"a<title>t</title><xmp><script></xmp>b", "ab"},
        {"a<o:p>Word</o:p><blink2>text</blink2>b", "aWordtextb"}, // unknown tags: text stays
        {"a<!-- comment <script>alert(1)</script> -->b<!DOCTYPE html><?xml x?>c</ 1>d", "abcd"},
        {"a<plaintext><b>everything after</b>", "a"},
    });
}

TEST(NoticeMarkup, HandlersAndScriptAddressesLeaveTheTagsTheyWereOn) {
    expectCleaned({
        // A tag that loses an attribute is written afresh, every value quoted.
        {"<img src=x onerror=alert(1)>", "<img src=\"x\">"},
        {"<IMG SRC=\"a.jpg\" ONLOAD=\"alert(1)\" width=5>", "<IMG SRC=\"a.jpg\" width=\"5\">"},
        {"<b onclick='alert(1)'>x</b>", "<b>x</b>"},
        {"<b/onmouseover=alert(1)>x</b>", "<b>x</b>"},
        {"<br onfocus=alert(1) />", "<br />"},
        {"<a href=\"javascript:alert(1)\">x</a>", "<a>x</a>"},
        {"<a href=JaVaScRiPt:alert(1) title=t>x</a>", "<a title=\"t\">x</a>"},
        {"<a href=\" \tjava\r\nscript:alert(1)\">x</a>", "<a>x</a>"},
        {"<a href=\"jav&#x09;ascript:alert(1)\">x</a>", "<a>x</a>"},
        {"<a href=\"&#106;&#97;vascript&colon;alert(1)\">x</a>", "<a>x</a>"},
        {"<a href=\"&#0000106avascript:alert(1)\">x</a>", "<a>x</a>"},
        {"<a href=\"java&Tab;script:alert(1)\">x</a>", "<a>x</a>"},
        {"<a href=\"vbscript:msgbox(1)\">x</a>", "<a>x</a>"},
        {"<a href=\"data:text/html,<script>alert(1)</script>\">x</a>", "<a>x</a>"},
        {"<a href=\"data:image/svg+xml,x\">x</a>", "<a>x</a>"}, // data: images only in IMG SRC
        {"<img src=\"data:text/html;base64,PHNjcmlwdD4=\">", "<img>"},
        {"<img src=\"javascript:alert(1)\" alt=a>", "<img alt=\"a\">"},
        {"<table background=\"javascript:alert(1)\"><tr><td>x</td></tr></table>",
         "<table><tr><td>x</td></tr></table>"},
        {"<div style=\"width: expression(alert(1))\">x</div>", "<div>x</div>"},
        {"<span style=\"background:url(&#106;avascript:x)\">x</span>", "<span>x</span>"},
        // A name that starts like a value is no handler, but reads otherwise once rejoined.
        {"<b =onclick=alert(1)>x</b>", "<b>x</b>"},
        {"<i u\"/=\x01* u\"/=\"/=>x</i>", "<i>x</i>"},
    });
}

// Each tag is read into the room of the one before: nothing of that one may carry over.
TEST(NoticeMarkup, NothingOfOneTagReachesTheNext) {
    expectCleaned({
        {"<b onclick=1 title=\"old\">x</b><b onclick=2 title>y</b>",
         "<b title=\"old\">x</b><b title=\"\">y</b>"},
        {"<br onclick=1 /><br onclick=1>", "<br /><br>"},
        {"<img src=a alt=b onerror=1><img src=c onerror=1>",
         "<img src=\"a\" alt=\"b\"><img src=\"c\">"},
        {"<i onclick=1 lang=en>a</i><i title=\"open", "<i lang=\"en\">a</i>"},
        {"<b title=\"javascript:x\">x</b><b onclick=1 title=ok>y</b>",
         "<b>x</b><b title=\"ok\">y</b>"},
    });
}

// What a notice leaves open must not reach what follows it on the page.
TEST(NoticeMarkup, UnclosedMarkupNeverJoinsWhatFollows) {
    expectCleaned({
        {"a<img src=x ", "a"},
        {"a<b title=\"open quote>\r\n<BR>\r\nmore", "a"},
        {"a<script>alert(1)", "a"},
        {"a<svg><b>x</b>", "a"},
        {"a<!-- never closed", "a"},
        {"a<!DOCTYPE", "a"},
        {"a<", "a&lt;"},
        // Dropped parts never let the text around them form a tag.
        {"<<!---->script>alert(1)<<!---->/script>", "&lt;script>alert(1)&lt;/script>"},
        {"<<o:p>img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)>"},
    });
}

// Cleaning what was cleaned changes nothing: read again, the result holds nothing that would
// be dropped (no handler, no script address, nothing left open), whatever soup went in.
TEST(NoticeMarkup, CleanedMarkupIsStableUnderAnyMixOfPieces) {
    const std::vector<std::string> pieces = {
        "<", ">", "/", "!", "?", "=", "\"", "'", " ", "\r\n", "-", "--", "x", "&#", "106;",
        "&colon;", "b", "img", "script", "style", "svg", "textarea", "a", "br", "BR", "src",
        "href", "on", "click", "error", "javascript:", "data:image/", "data:", "<!--", "-->",
        "</", "<b>", "</b>", "<script>", "</script>", "<img src=", "<a href=", "<svg>", "<o:p>"};
    std::uint32_t seed = 20261207;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string soup;
        const std::uint32_t length = next() % 24;
        for (std::uint32_t k = 0; k < length; ++k)
            soup += pieces[next() % pieces.size()];
        const std::string once = safeNoticeMarkup(soup);
        ASSERT_EQ(safeNoticeMarkup(once), once) << soup;
    }
}

} // namespace
