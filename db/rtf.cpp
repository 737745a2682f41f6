#include "rtf.h"

#include "text.h"

#include <cstdint>

namespace pinora {

namespace {

struct Group {
    bool skip = false; // a destination whose text is not part of the document
    int uc = 1;        // characters that stand in for each \uN
};

// Destinations that hold no text of the document.
bool skippedDestination(std::string_view w) {
    static constexpr std::string_view kSkip[] = {
        "fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "header", "headerl",
        "headerr", "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "fldinst",
        "filetbl", "listtable", "listoverridetable", "revtbl", "rsidtbl", "xe", "tc", "txe",
        "annotation", "atnid", "atnauthor", "bkmkstart", "bkmkend", "generator", "themedata",
        "colorschememapping", "datastore", "latentstyles", "pgdsctbl", "nonshppict", "comment",
        "author", "operator", "title", "subject", "keywords", "doccomm", "private"};
    for (std::string_view s : kSkip)
        if (w == s) return true;
    return false;
}

// One Windows-1252 byte for a code point; '?' when the code page lacks it.
char fromCodePoint(std::uint32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    std::string u8;
    if (c < 0x800) {
        u8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
        u8 = {static_cast<char>(0xE0 | ((c >> 12) & 0x0F)),
              static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    const std::string b = utf8ToCp1252(u8);
    return b.size() == 1 ? b[0] : '?';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

class Reader {
  public:
    explicit Reader(std::string_view in) : in_(in) {}

    std::vector<std::string> run() {
        while (i_ < in_.size()) {
            const char c = in_[i_++];
            if (c == '{') {
                groups_.push_back(top());
                ++depth_;
                pending_ = 0;
            } else if (c == '}') {
                if (!groups_.empty()) groups_.pop_back(); // a stray brace closes nothing
                pending_ = 0;
                // What follows the document's outermost group (a NUL, or text an editor
                // left) is not part of it.
                if (depth_ > 0 && --depth_ == 0) break;
            } else if (c == '\\') {
                control();
            } else if (c != '\r' && c != '\n') {
                put(c);
            }
        }
        if (!line_.empty()) lines_.push_back(line_);
        return std::move(lines_);
    }

  private:
    Group top() const { return groups_.empty() ? Group{} : groups_.back(); }
    Group& cur() {
        if (groups_.empty()) groups_.push_back(Group{});
        return groups_.back();
    }

    void put(char c) {
        if (top().skip) return;
        if (pending_ > 0) { // the stand-in of the last \uN
            --pending_;
            return;
        }
        line_ += c;
    }
    void endLine() {
        if (top().skip) return;
        lines_.push_back(line_);
        line_.clear();
    }

    void control() {
        if (i_ >= in_.size()) return;
        const char c = in_[i_];
        if (!isLetter(c)) {
            ++i_;
            symbol(c);
            return;
        }
        const std::size_t start = i_;
        while (i_ < in_.size() && isLetter(in_[i_]) && i_ - start < 32)
            ++i_;
        const std::string_view word = in_.substr(start, i_ - start);
        while (i_ < in_.size() && isLetter(in_[i_])) // an overlong word is read to its end
            ++i_;
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (i_ < in_.size() && in_[i_] == '-' && i_ + 1 < in_.size() && in_[i_ + 1] >= '0' &&
            in_[i_ + 1] <= '9') {
            negative = true;
            ++i_;
        }
        while (i_ < in_.size() && in_[i_] >= '0' && in_[i_] <= '9') {
            hasParam = true;
            if (param < 1000000000) param = param * 10 + (in_[i_] - '0');
            ++i_;
        }
        if (negative) param = -param;
        if (i_ < in_.size() && in_[i_] == ' ') ++i_;
        keyword(word, hasParam, param);
    }

    void symbol(char c) {
        switch (c) {
        case '\'': {
            if (i_ + 1 >= in_.size()) {
                i_ = in_.size();
                return;
            }
            const int hi = hexValue(in_[i_]);
            const int lo = hexValue(in_[i_ + 1]);
            if (hi < 0 || lo < 0) return; // not a character: the bytes are read as text
            i_ += 2;
            put(static_cast<char>(hi * 16 + lo));
            return;
        }
        case '\\':
        case '{':
        case '}': put(c); return;
        case '~': put('\xA0'); return;
        case '_': put('-'); return;
        case '*': cur().skip = true; return; // a destination this reader does not know
        case '\r':
        case '\n': endLine(); return;
        case '\t': put('\t'); return;
        default: return; // \- \: \| and others carry no text
        }
    }

    void keyword(std::string_view w, bool hasParam, long long param) {
        if (w == "par" || w == "line" || w == "row" || w == "sect" || w == "page") {
            endLine();
        } else if (w == "tab" || w == "cell") {
            put('\t');
        } else if (w == "u" && hasParam) {
            // Signed 16-bit on disk: \u-3913 is U+F0B7.
            const long long v = param < 0 ? param + 65536 : param;
            const std::uint32_t cp = v >= 0 && v <= 0xFFFF ? static_cast<std::uint32_t>(v) : '?';
            const int skip = top().uc;
            pending_ = 0;
            put(fromCodePoint(cp));
            pending_ = skip;
        } else if (w == "uc" && hasParam) {
            cur().uc = param < 0 ? 0 : param > 16 ? 16 : static_cast<int>(param);
        } else if (w == "bin" && hasParam && param > 0) {
            const auto n = static_cast<std::size_t>(param);
            i_ = n >= in_.size() - i_ ? in_.size() : i_ + n;
        } else if (w == "emdash") {
            put('\x97');
        } else if (w == "endash") {
            put('\x96');
        } else if (w == "lquote") {
            put('\x91');
        } else if (w == "rquote") {
            put('\x92');
        } else if (w == "ldblquote") {
            put('\x93');
        } else if (w == "rdblquote") {
            put('\x94');
        } else if (w == "bullet") {
            put('\x95');
        } else if (skippedDestination(w)) {
            cur().skip = true;
        }
    }

    std::string_view in_;
    std::size_t i_ = 0;
    std::vector<Group> groups_;
    std::size_t depth_ = 0; // groups opened and not yet closed
    int pending_ = 0;
    std::string line_;
    std::vector<std::string> lines_;
};

} // namespace

std::vector<std::string> rtfToLines(std::string_view rtf) {
    return Reader(rtf).run();
}

std::vector<std::string> messageLines(std::string_view file) {
    if (file.substr(0, 5) == "{\\rtf") return rtfToLines(file);
    std::vector<std::string> lines;
    for (std::string_view line : splitLines(file, LineEnds::CrLfCrOrLf))
        lines.emplace_back(line);
    return lines;
}

} // namespace pinora
