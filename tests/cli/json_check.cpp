#include "json_check.h"

#include <cstdlib>

namespace pinora::test {

namespace {

class Reader {
  public:
    explicit Reader(const std::string& t) : t_(t) {}

    Json document() {
        Json v = value();
        space();
        if (p_ != t_.size()) fail("text after the document");
        return v;
    }

  private:
    [[noreturn]] void fail(const std::string& what) {
        throw std::runtime_error(what + " at " + std::to_string(p_));
    }
    void space() {
        while (p_ < t_.size() &&
               (t_[p_] == ' ' || t_[p_] == '\n' || t_[p_] == '\r' || t_[p_] == '\t'))
            ++p_;
    }
    bool eat(char c) {
        space();
        if (p_ < t_.size() && t_[p_] == c) {
            ++p_;
            return true;
        }
        return false;
    }
    void expect(char c) {
        if (!eat(c)) fail(std::string("expected ") + c);
    }
    bool word(const char* w) {
        const std::string s(w);
        if (t_.compare(p_, s.size(), s) != 0) return false;
        p_ += s.size();
        return true;
    }
    Json value() {
        space();
        if (p_ >= t_.size()) fail("unexpected end");
        Json v;
        const char c = t_[p_];
        if (c == '{') {
            ++p_;
            v.kind = Json::Object;
            if (eat('}')) return v;
            do {
                space();
                const std::string key = string();
                expect(':');
                if (!v.fields.emplace(key, value()).second) fail("duplicate key " + key);
            } while (eat(','));
            expect('}');
        } else if (c == '[') {
            ++p_;
            v.kind = Json::Array;
            if (eat(']')) return v;
            do
                v.items.push_back(value());
            while (eat(','));
            expect(']');
        } else if (c == '"') {
            v.kind = Json::String;
            v.str = string();
        } else if (word("true")) {
            v.kind = Json::Bool, v.b = true;
        } else if (word("false")) {
            v.kind = Json::Bool;
        } else if (word("null")) {
            v.kind = Json::Null;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            v.kind = Json::Number;
            const char* start = t_.c_str() + p_;
            char* end = nullptr;
            v.num = std::strtod(start, &end);
            p_ += static_cast<std::size_t>(end - start);
        } else {
            fail("unexpected character");
        }
        return v;
    }
    void utf8(std::string& out, unsigned c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    std::string string() {
        if (p_ >= t_.size() || t_[p_] != '"') fail("expected a string");
        ++p_;
        std::string out;
        for (;;) {
            if (p_ >= t_.size()) fail("unterminated string");
            const auto c = static_cast<unsigned char>(t_[p_++]);
            if (c == '"') return out;
            if (c < 0x20) fail("raw control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (p_ >= t_.size()) fail("unterminated escape");
            const char e = t_[p_++];
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (p_ + 4 > t_.size()) fail("short \\u escape");
                const std::string hex = t_.substr(p_, 4);
                if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                    fail("bad \\u escape");
                utf8(out, static_cast<unsigned>(std::stoul(hex, nullptr, 16)));
                p_ += 4;
                break;
            }
            default:
                fail("bad escape");
            }
        }
    }

    const std::string& t_;
    std::size_t p_ = 0;
};

} // namespace

Json parseJson(const std::string& text) {
    return Reader(text).document();
}

} // namespace pinora::test
