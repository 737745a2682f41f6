#include "output/mail.h"

#include "output/noticemarkup.h"
#include "output/page.h"

#include "db/text.h"

#include <cctype>
#include <cstdio>
#include <utility>

namespace pinora {

namespace {

constexpr std::string_view kEol = "\r\n";
constexpr char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const auto at = [&](std::size_t k) {
            return k < bytes.size() ? static_cast<unsigned>(static_cast<unsigned char>(bytes[k]))
                                    : 0u;
        };
        const unsigned v = at(i) << 16 | at(i + 1) << 8 | at(i + 2);
        out += kB64[v >> 18 & 63];
        out += kB64[v >> 12 & 63];
        out += i + 1 < bytes.size() ? kB64[v >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? kB64[v & 63] : '=';
    }
    return out;
}

bool printableAscii(std::string_view s) {
    for (const char c : s)
        if (c < 0x20 || c > 0x7e) return false;
    return s.find("=?") == std::string_view::npos; // would read as an encoded word
}

// A header line; values come folded already.
void header(std::string& out, std::string_view name, std::string_view value) {
    out += name;
    out += ": ";
    out += value;
    out += kEol;
}

// Boundaries hold "=_", which neither quoted-printable nor base64 text can contain.
std::string boundary(const std::string& tag, const char* kind) {
    return "=_pinora_" + tag + "_" + kind;
}

std::string contentId(const std::string& tag) {
    return "logo." + tag + "@pinora";
}

// The line end before a boundary belongs to the boundary, so each body ends with its own.
void part(std::string& out, const std::string& bound, std::initializer_list<std::string> headers,
          const std::string& body) {
    out += kEol;
    out += "--" + bound;
    out += kEol;
    for (const std::string& h : headers) {
        out += h;
        out += kEol;
    }
    out += kEol;
    out += body;
}

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

// One line of a notice as a reader of plain text wants it: the markup the editor inserts
// (<b>, <i>, <u>, <br>, <IMG SRC=...>) and a few entities turned into what they show. A "<"
// that opens no tag stays.
std::string markupAsText(std::string_view l) {
    static const std::pair<std::string_view, std::string_view> entities[] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", " "}};
    std::string out;
    for (std::size_t i = 0; i < l.size();) {
        const std::string_view rest = l.substr(i);
        const auto close = rest.find('>');
        const bool tag = rest[0] == '<' && close != std::string_view::npos && rest.size() > 1 &&
                         (std::isalpha(static_cast<unsigned char>(rest[1])) || rest[1] == '/');
        if (tag) {
            const std::string_view t = rest.substr(1, close - 1);
            if (startsWithIgnoreCase(t, "br") || startsWithIgnoreCase(t, "p")) {
                if (i + close + 1 < l.size()) out += kEol; // one at the end adds no empty line
            } else if (startsWithIgnoreCase(t, "img")) {
                out += "[picture]";
            }
            i += close + 1;
            continue;
        }
        bool entity = false;
        for (const auto& [name, shown] : entities)
            if (startsWithIgnoreCase(rest, name)) {
                out += shown;
                i += name.size();
                entity = true;
                break;
            }
        if (!entity) out += l[i++];
    }
    return out;
}

} // namespace

std::string base64Lines(std::string_view bytes) {
    const std::string b = base64(bytes);
    std::string out;
    out.reserve(b.size() + b.size() / 76 * 2 + 2);
    for (std::size_t i = 0; i < b.size(); i += 76) {
        out.append(b, i, 76);
        out += kEol;
    }
    return out;
}

std::string quotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    forEachLine(text, LineEnds::CrLfOrLf, [&](std::string_view l) {
        std::size_t col = 0;
        for (std::size_t i = 0; i < l.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(l[i]);
            char piece[4] = {static_cast<char>(c), '\0'};
            // A space at the end of a line would be lost on the way.
            const bool blank = c == ' ' || c == '\t';
            if (!((c >= 33 && c <= 126 && c != '=') || (blank && i + 1 < l.size())))
                std::snprintf(piece, sizeof piece, "=%02X", c);
            const std::size_t n = piece[1] == '\0' ? 1 : 3;
            if (col + n > 75) { // 75 and the soft break's "=" make the limit of 76
                out += "=";
                out += kEol;
                col = 0;
            }
            out.append(piece, n);
            col += n;
        }
        out += kEol;
    });
    return out;
}

std::string headerText(std::string_view utf8, std::size_t nameLength) {
    if (printableAscii(utf8) && nameLength + 2 + utf8.size() <= 78) return std::string(utf8);
    // Encoded words of at most 75 characters, each on a line of its own (the first after the
    // header's name); a character is never cut between two of them.
    std::string out;
    std::size_t start = 0;
    while (start < utf8.size()) {
        const std::size_t room = out.empty() ? 78 - std::min<std::size_t>(nameLength + 2, 60) : 77;
        const std::size_t bytes = (std::min<std::size_t>(room, 75) - 12) / 4 * 3;
        std::size_t end = std::min(utf8.size(), start + bytes);
        while (end < utf8.size() && end > start + 1 &&
               (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
            --end;
        std::string chunk(utf8.substr(start, end - start));
        for (char& c : chunk)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
        if (!out.empty()) {
            out += kEol;
            out += " ";
        }
        out += "=?UTF-8?B?" + base64(chunk) + "?=";
        start = end;
    }
    return out;
}

std::string rfc5322Date(std::time_t t) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    ::localtime_r(&t, &tm);
    const long off = tm.tm_gmtoff / 60;
    const long a = off < 0 ? -off : off;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                  days[tm.tm_wday % 7], tm.tm_mday, months[tm.tm_mon % 12], tm.tm_year + 1900,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, off < 0 ? '-' : '+', a / 60, a % 60);
    return buf;
}

bool plainAddress(std::string_view a) {
    const auto at = a.find('@');
    if (a.empty() || a.size() > 254 || at == 0 || at == std::string_view::npos ||
        at + 1 == a.size() || a.find('@', at + 1) != std::string_view::npos)
        return false;
    for (const char c : a)
        if (c <= 0x20 || c >= 0x7f || std::string_view("<>()[],;:\"\\").find(c) != std::string_view::npos)
            return false;
    return true;
}

std::string mailLogoTag(const std::string& tag) {
    return R"(<img src="cid:)" + contentId(tag) + R"(">)";
}

std::string buildMailMessage(const MailMessage& m) {
    std::string out;
    out.reserve(m.html.size() * 4 / 3 + m.logo.size() * 4 / 3 + m.text.size() * 2 + 4096);
    header(out, "From", m.from);
    std::string to;
    for (const std::string& a : m.to)
        to += (to.empty() ? "" : ",\r\n ") + a;
    header(out, "To", to);
    header(out, "Subject", headerText(m.subject, 7));
    header(out, "Date", m.date);
    header(out, "Message-ID", "<" + m.messageId + ">");
    header(out, "MIME-Version", "1.0");

    const std::string alt = boundary(m.tag, "alt");
    header(out, "Content-Type", "multipart/alternative;\r\n boundary=\"" + alt + "\"");
    out += kEol;
    out += "This is a message in MIME format.";
    out += kEol;
    part(out, alt,
         {"Content-Type: text/plain; charset=UTF-8", "Content-Transfer-Encoding: quoted-printable"},
         quotedPrintable(m.text));

    const std::string htmlType = "Content-Type: text/html; charset=" + m.htmlCharset;
    if (m.logo.empty()) {
        part(out, alt, {htmlType, "Content-Transfer-Encoding: base64"}, base64Lines(m.html));
    } else {
        // The page's own logo reference is the first: it comes before any notice's text.
        std::string html = m.html;
        if (const auto p = html.find(kPageLogoTag); p != std::string::npos)
            html.replace(p, std::string_view(kPageLogoTag).size(), mailLogoTag(m.tag));
        const std::string rel = boundary(m.tag, "rel");
        part(out, alt,
             {"Content-Type: multipart/related; type=\"text/html\";\r\n boundary=\"" + rel + "\""},
             "");
        part(out, rel, {htmlType, "Content-Transfer-Encoding: base64"}, base64Lines(html));
        part(out, rel,
             {"Content-Type: image/gif; name=\"logo.gif\"", "Content-Transfer-Encoding: base64",
              "Content-ID: <" + contentId(m.tag) + ">",
              "Content-Disposition: inline; filename=\"logo.gif\""},
             base64Lines(m.logo));
        out += kEol;
        out += "--" + rel + "--";
        out += kEol;
    }
    out += kEol;
    out += "--" + alt + "--";
    out += kEol;
    return out;
}

bool noticeMailText(const Database& db, int setNumber, TDateTime day, std::string& text,
                    int& count, std::string* error) {
    const ConfigRecord& c = db.config;
    text.clear();
    count = 0;
    const bool ok = forEachPageNotice(
        db, setNumber, day,
        [&](int, const NoticeRecord& r, const std::string& bytes, std::string&) {
            if (count > 0) text += kEol;
            ++count;
            bool first = true;
            // What the page would drop (a script's text among it) is not shown here either.
            forEachLine(safeNoticeMarkup(bytes), LineEnds::CrLfOrLf, [&](std::string_view l) {
                if (first && c.numberEachNotice) text += std::to_string(count) + ". ";
                first = false;
                text += cp1252ToUtf8(markupAsText(l));
                text += kEol;
            });
            const std::string sig = signatureText(c.signatureStyle, r.signature.str());
            if (!sig.empty()) {
                text += cp1252ToUtf8(sig);
                text += kEol;
            }
            return true;
        },
        error);
    if (ok && count == 0) text = "No notices.\r\n";
    return ok;
}

} // namespace pinora
