// The cleaning of notice markup: whatever a notice holds, the cleaned text opens no script or
// frame tag (a browser reads "<script" inside a quoted attribute value as text), and cleaning
// it again changes nothing, so a page built from it reads the same.
#include "common.h"

#include "output/noticemarkup.h"

#include <cctype>
#include <cstring>
#include <strings.h>

using namespace pinora;

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// True when a tag that runs or frames something starts outside every tag, comment and quoted
// value, as a browser's tokenizer reads the text.
bool opensForbiddenTag(const std::string& s) {
    std::size_t i = 0;
    while ((i = s.find('<', i)) != std::string::npos && i + 1 < s.size()) {
        const char next = s[i + 1];
        if (s.compare(i, 4, "<!--") == 0) {
            const std::size_t end = s.find("-->", i + 4);
            if (end == std::string::npos) return false;
            i = end + 3;
            continue;
        }
        if (next == '!' || next == '?') {
            const std::size_t end = s.find('>', i);
            if (end == std::string::npos) return false;
            i = end + 1;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(next)) && next != '/') {
            ++i; // text
            continue;
        }
        for (const char* tag : {"<script", "<iframe", "<object", "<embed"})
            if (::strncasecmp(s.c_str() + i, tag, std::strlen(tag)) == 0) return true;
        // The tag's name, then its attributes; a quote opens a value only after '='.
        i += 1;
        while (i < s.size() && !blank(s[i]) && s[i] != '/' && s[i] != '>')
            ++i;
        while (i < s.size() && s[i] != '>') {
            if (blank(s[i]) || s[i] == '/') {
                ++i;
                continue;
            }
            ++i; // an attribute name takes its first character whatever it is
            while (i < s.size() && !blank(s[i]) && s[i] != '/' && s[i] != '>' && s[i] != '=')
                ++i;
            std::size_t j = i;
            while (j < s.size() && blank(s[j]))
                ++j;
            if (j >= s.size() || s[j] != '=') continue;
            ++j;
            while (j < s.size() && blank(s[j]))
                ++j;
            if (j < s.size() && (s[j] == '"' || s[j] == '\'')) {
                const std::size_t q = s.find(s[j], j + 1);
                if (q == std::string::npos) return false;
                i = q + 1;
            } else {
                while (j < s.size() && !blank(s[j]) && s[j] != '>')
                    ++j;
                i = j;
            }
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::string once = safeNoticeMarkup(in);
    FUZZ_CHECK(safeNoticeMarkup(once) == once);
    FUZZ_CHECK(!opensForbiddenTag(once));
    return 0;
}
