#include "noticemarkup.h"

#include <algorithm>
#include <cctype>
#include <span>
#include <vector>

namespace pinora {

namespace {

// The tokens are read as a browser reads them, so that what is kept means to the browser what
// it meant here: text stays text, and a kept tag is the whole tag. Whatever is dropped cannot
// change how the browser reads the rest, since it never reaches the browser.

bool space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Kept in to's own buffer: the cleaner reads every tag of every notice of a page.
void lowerInto(std::string& to, std::string_view s) {
    to.assign(s);
    std::transform(to.begin(), to.end(), to.begin(), lower);
}

// s equals the lower-case name, whatever the case of s.
bool sameLowered(std::string_view s, std::string_view name) {
    if (s.size() != name.size()) return false;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (lower(s[i]) != name[i]) return false;
    return true;
}

bool oneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Formatting a notice may hold; any other tag is dropped and its text kept.
bool keptElement(std::string_view n) {
    return oneOf(n, {"b",      "i",       "u",     "br",   "img",     "font",    "p",
                     "span",   "em",      "strong", "ul",  "ol",      "li",      "table",
                     "tr",     "td",      "th",    "thead", "tbody",  "tfoot",   "caption",
                     "col",    "colgroup", "h1",   "h2",   "h3",      "h4",      "h5",
                     "h6",     "center",  "hr",    "div",  "sup",     "sub",     "a",
                     "s",      "strike",  "small", "big",  "tt",      "pre",     "blockquote",
                     "code",   "dl",      "dt",    "dd",   "q",       "cite",    "abbr",
                     "del",    "ins",     "kbd",   "samp", "var",     "mark",    "nobr",
                     "wbr",    "address", "marquee", "blink"});
}

// Elements whose text a browser reads as raw text up to their own end tag; dropped with it.
bool rawTextElement(std::string_view n) {
    return oneOf(n, {"script", "style", "textarea", "title", "xmp", "iframe", "noembed",
                     "noframes", "noscript"});
}

// Containers of active or foreign content; dropped with everything up to their end tag.
bool droppedContainer(std::string_view n) {
    return oneOf(n, {"object", "applet", "form", "button", "select", "svg", "math",
                     "frameset", "template", "audio", "video", "canvas", "datalist",
                     "portal"});
}

struct Attribute {
    std::string name;       // lower case
    std::string_view value; // as written, without its quotes
    std::size_t begin = 0, end = 0; // the attribute's bytes in the input
};

// One tag is read again and again, so that its strings and list keep their room.
struct Tag {
    bool end = false;
    std::string name;         // lower case
    std::string_view rawName; // as written
    std::vector<Attribute> attributes;
    std::size_t count = 0; // of attributes in use
    bool selfClosing = false;
    std::size_t close = 0; // just past the '>'

    std::span<const Attribute> read() const { return {attributes.data(), count}; }
    Attribute& added() {
        if (count == attributes.size()) attributes.emplace_back();
        return attributes[count++];
    }
};

// Reads the tag that starts at in[at] == '<' (and a letter, or '/' and a letter, follows).
// False when the input ends before the tag does.
bool readTag(std::string_view in, std::size_t at, Tag& t) {
    t.count = 0;
    t.selfClosing = false;
    t.close = 0;
    std::size_t i = at + 1;
    t.end = in[i] == '/';
    if (t.end) ++i;
    const std::size_t nameStart = i;
    while (i < in.size() && !space(in[i]) && in[i] != '/' && in[i] != '>')
        ++i;
    t.rawName = in.substr(nameStart, i - nameStart);
    lowerInto(t.name, t.rawName);
    while (i < in.size()) {
        const char c = in[i];
        if (space(c)) {
            ++i;
            continue;
        }
        if (c == '>') {
            t.close = i + 1;
            return true;
        }
        if (c == '/') {
            t.selfClosing = i + 1 < in.size() && in[i + 1] == '>';
            ++i;
            continue;
        }
        t.selfClosing = false;
        // An attribute name takes its first character whatever it is, even '='.
        Attribute& a = t.added();
        a.value = {};
        a.begin = i++;
        while (i < in.size() && !space(in[i]) && in[i] != '/' && in[i] != '>' && in[i] != '=')
            ++i;
        lowerInto(a.name, in.substr(a.begin, i - a.begin));
        std::size_t j = i;
        while (j < in.size() && space(in[j]))
            ++j;
        if (j < in.size() && in[j] == '=') {
            ++j;
            while (j < in.size() && space(in[j]))
                ++j;
            if (j >= in.size()) return false;
            if (in[j] == '"' || in[j] == '\'') {
                const std::size_t q = in.find(in[j], j + 1);
                if (q == std::string_view::npos) return false;
                a.value = in.substr(j + 1, q - j - 1);
                i = q + 1;
            } else if (in[j] != '>') {
                const std::size_t v = j;
                while (j < in.size() && !space(in[j]) && in[j] != '>')
                    ++j;
                a.value = in.substr(v, j - v);
                i = j;
            } else {
                i = j;
            }
        }
        a.end = i;
    }
    return false;
}

// An attribute value as a browser turns it into an address: character references decoded, and
// blanks and control characters (which the address parser removes or which hide a scheme)
// taken out; lower case. Only what can spell a scheme matters here.
void addressOf(std::string_view v, std::string& address) {
    address.clear();
    const auto add = [&address](char c) {
        if (static_cast<unsigned char>(c) > 0x20 && c != 0x7f) address += lower(c);
    };
    for (std::size_t i = 0; i < v.size();) {
        if (v[i] == '&' && i + 1 < v.size() && v[i + 1] == '#') {
            std::size_t j = i + 2;
            const bool hex = j < v.size() && (v[j] == 'x' || v[j] == 'X');
            if (hex) ++j;
            unsigned long code = 0;
            const std::size_t digits = j;
            while (j < v.size()) {
                const char c = lower(v[j]);
                const int d = c >= '0' && c <= '9'             ? c - '0'
                              : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                             : -1;
                if (d < 0) break;
                if (code < 0x110000) code = code * (hex ? 16 : 10) + static_cast<unsigned>(d);
                ++j;
            }
            if (j > digits) {
                if (j < v.size() && v[j] == ';') ++j;
                add(code > 0 && code < 0x80 ? static_cast<char>(code) : '?');
                i = j;
                continue;
            }
        } else if (v[i] == '&') {
            static constexpr std::pair<std::string_view, char> kNamed[] = {
                {"&colon;", ':'}, {"&tab;", '\t'}, {"&newline;", '\n'}, {"&nbsp;", ' '}};
            bool named = false;
            for (const auto& [name, c] : kNamed)
                if (sameLowered(v.substr(i, name.size()), name)) {
                    add(c);
                    i += name.size();
                    named = true;
                    break;
                }
            if (named) continue;
        }
        add(v[i++]);
    }
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// Names a browser and this reader split alike: letters, digits and - _ : .
bool plainName(std::string_view name) {
    if (name.empty()) return false;
    for (const char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != ':' &&
            c != '.')
            return false;
    return true;
}

// A name that starts like a value or holds a quote reads differently once the attributes
// around it are gone.
bool oddName(std::string_view name) {
    return name.empty() || name[0] == '=' || name.find_first_of("\"'`") != std::string_view::npos;
}

// address is room to work in.
bool keptAttribute(std::string_view element, const Attribute& a, std::string& address) {
    if (startsWith(a.name, "on")) return false;
    if (oneOf(a.name, {"srcdoc", "formaction", "action"})) return false;
    addressOf(a.value, address);
    if (a.name == "style") {
        // Old engines ran script from styles; a notice needs none of these.
        for (std::string_view bad : {"expression", "javascript:", "vbscript:", "behavior",
                                     "binding", "@import", "\\", "/*"})
            if (address.find(bad) != std::string::npos) return false;
        return true;
    }
    for (std::string_view scheme : {"javascript:", "vbscript:", "livescript:", "mocha:"})
        if (startsWith(address, scheme)) return false;
    if (startsWith(address, "data:"))
        return element == "img" && a.name == "src" && startsWith(address, "data:image/");
    return true;
}

// Where the raw text of an element named name ends: just past its end tag; npos when it has
// none.
std::size_t rawTextEnd(std::string_view in, std::size_t from, std::string_view name) {
    for (std::size_t i = in.find("</", from); i != std::string_view::npos;
         i = in.find("</", i + 2)) {
        const std::size_t after = i + 2 + name.size();
        if (after > in.size() || !sameLowered(in.substr(i + 2, name.size()), name)) continue;
        if (after < in.size() && !space(in[after]) && in[after] != '/' && in[after] != '>')
            continue;
        Tag t;
        return readTag(in, i, t) ? t.close : std::string_view::npos;
    }
    return std::string_view::npos;
}

class Cleaner {
  public:
    explicit Cleaner(std::string_view in) : in_(in) { out_.reserve(in.size()); }

    std::string run() {
        std::size_t i = 0;
        while (i < in_.size()) {
            const std::size_t lt = in_.find('<', i);
            if (lt == std::string_view::npos) {
                text(in_.substr(i));
                break;
            }
            text(in_.substr(i, lt - i));
            i = markup(lt);
        }
        if (!out_.empty() && out_.back() == '<') escapeLastLessThan();
        return std::move(out_);
    }

  private:
    // Reads what starts at in_[at] == '<'; returns where reading goes on.
    std::size_t markup(std::size_t at) {
        const char next = at + 1 < in_.size() ? in_[at + 1] : '\0';
        const bool tag = letter(next) || (next == '/' && at + 2 < in_.size() && letter(in_[at + 2]));
        if (tag) {
            if (!readTag(in_, at, tag_)) return drop(in_.size());
            return tag_.end ? endTag(at, tag_) : startTag(at, tag_);
        }
        if (next == '!' && in_.substr(at, 4) == "<!--") return drop(commentEnd(at + 4));
        if (next == '!' || next == '?' || next == '/') {
            // Declarations, processing instructions and "</" with no name read as comments to
            // the next '>'.
            const std::size_t gt = in_.find('>', at + 2);
            return drop(gt == std::string_view::npos ? in_.size() : gt + 1);
        }
        text(in_.substr(at, 1)); // a '<' that opens nothing
        return at + 1;
    }

    std::size_t commentEnd(std::size_t from) const {
        if (in_.substr(from, 1) == ">") return from + 1; // <!-->
        if (in_.substr(from, 2) == "->") return from + 2; // <!--->
        for (std::size_t i = in_.find("--", from); i != std::string_view::npos;
             i = in_.find("--", i + 1)) {
            if (in_.substr(i + 2, 1) == ">") return i + 3;
            if (in_.substr(i + 2, 2) == "!>") return i + 4;
        }
        return in_.size();
    }

    std::size_t startTag(std::size_t at, const Tag& t) {
        if (rawTextElement(t.name)) {
            const std::size_t end = rawTextEnd(in_, t.close, t.name);
            return drop(end == std::string_view::npos ? in_.size() : end);
        }
        if (t.name == "plaintext") return drop(in_.size()); // all that follows is its text
        if (dropDepth_ > 0) {
            if (t.name == dropped_) ++dropDepth_;
            return drop(t.close);
        }
        if (droppedContainer(t.name)) {
            dropped_ = t.name;
            dropDepth_ = 1;
            return drop(t.close);
        }
        if (!keptElement(t.name)) return drop(t.close);
        kept_.clear();
        bool plain = true;
        for (const Attribute& a : t.read()) {
            if (!keptAttribute(t.name, a, address_) || oddName(a.name)) {
                plain = false;
                continue;
            }
            kept_.push_back(&a);
        }
        if (plain) {
            out_.append(in_.substr(at, t.close - at));
        } else {
            // Written afresh, every value quoted: joined again as they were, odd names and
            // quotes could read as another tag the second time, in a browser too.
            out_ += '<';
            out_.append(t.rawName);
            for (const Attribute* a : kept_) {
                if (!plainName(a->name)) continue;
                out_ += ' ';
                out_.append(in_.substr(a->begin, a->name.size()));
                out_ += "=\"";
                for (const char c : a->value) {
                    if (c == '"')
                        out_ += "&quot;";
                    else
                        out_ += c;
                }
                out_ += '"';
            }
            out_ += t.selfClosing ? " />" : ">";
        }
        return t.close;
    }

    std::size_t endTag(std::size_t at, const Tag& t) {
        if (dropDepth_ > 0) {
            if (t.name == dropped_) --dropDepth_;
            return drop(t.close);
        }
        if (!keptElement(t.name)) return drop(t.close);
        const std::string_view written = in_.substr(at, t.close - at);
        if (written.size() == t.rawName.size() + 3) {
            out_.append(written);
        } else {
            out_ += "</";
            out_.append(t.rawName);
            out_ += '>';
        }
        return t.close;
    }

    void text(std::string_view s) {
        if (dropDepth_ == 0) out_.append(s);
    }

    // Skips to end. A '<' kept as text just before would otherwise meet what follows the
    // dropped part and could open a tag with it.
    std::size_t drop(std::size_t end) {
        if (!out_.empty() && out_.back() == '<') escapeLastLessThan();
        return end;
    }

    void escapeLastLessThan() {
        out_.pop_back();
        out_ += "&lt;";
    }

    std::string_view in_;
    std::string out_;
    Tag tag_;                            // the tag being read
    std::vector<const Attribute*> kept_; // its attributes that stay
    std::string address_;                // room for keptAttribute
    std::string dropped_;                // the container being dropped
    int dropDepth_ = 0;
};

} // namespace

std::string safeNoticeMarkup(std::string_view html) {
    return Cleaner(html).run();
}

} // namespace pinora
