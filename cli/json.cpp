#include "json.h"

#include "db/text.h"

#include <cstdint>
#include <cstdio>

namespace pinora::cli {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at s[i], advancing i; malformed input gives U+FFFD for one byte.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    char32_t c = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, c = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, c = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + static_cast<std::size_t>(len) > s.size()) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += static_cast<std::size_t>(len);
    return c;
}

// The bytes of the code point that ends at i, or of U+FFFD when the input was malformed.
void appendSame(std::string& out, std::string_view s, std::size_t start, std::size_t i,
                char32_t c) {
    if (c == kReplacement)
        out += "\xEF\xBF\xBD";
    else
        out.append(s, start, i - start);
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

std::string jsonString(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        const char32_t c = nextCodePoint(utf8, i);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            // Controls, and the two separators that JavaScript does not allow in strings.
            if (isControl(c) || c == 0x2028 || c == 0x2029) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                out += buf;
            } else {
                appendSame(out, utf8, start, i, c);
            }
        }
    }
    out += '"';
    return out;
}

std::string printable(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        const char32_t c = nextCodePoint(utf8, i);
        if (isControl(c))
            out += '?';
        else
            appendSame(out, utf8, start, i, c);
    }
    return out;
}

std::string printableOneLine(std::string_view utf8) {
    std::string joined;
    forEachLine(utf8, LineEnds::CrLfOrLf, [&joined](std::string_view line) {
        if (line.empty()) return;
        if (!joined.empty()) joined += "; ";
        joined += line;
    });
    return printable(joined);
}

void JsonWriter::item(std::string_view key) {
    if (depth_ > 0) {
        if (!first_) out_ += ',';
        out_ += '\n';
        out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
    }
    first_ = false;
    if (!key.empty()) {
        out_ += jsonString(key);
        out_ += ": ";
    }
}

void JsonWriter::close(char bracket) {
    --depth_;
    if (!first_) {
        out_ += '\n';
        out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
    }
    out_ += bracket;
    first_ = false;
    if (depth_ == 0) out_ += '\n';
}

void JsonWriter::beginObject(std::string_view key) {
    item(key);
    out_ += '{';
    ++depth_;
    first_ = true;
}

void JsonWriter::endObject() {
    close('}');
}

void JsonWriter::beginArray(std::string_view key) {
    item(key);
    out_ += '[';
    ++depth_;
    first_ = true;
}

void JsonWriter::endArray() {
    close(']');
}

void JsonWriter::string(std::string_view key, std::string_view utf8) {
    item(key);
    out_ += jsonString(utf8);
}

void JsonWriter::number(std::string_view key, long long value) {
    item(key);
    out_ += std::to_string(value);
}

void JsonWriter::boolean(std::string_view key, bool value) {
    item(key);
    out_ += value ? "true" : "false";
}

void JsonWriter::null(std::string_view key) {
    item(key);
    out_ += "null";
}

} // namespace pinora::cli
