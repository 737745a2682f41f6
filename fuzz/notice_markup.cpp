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
// True when a tag that runs or frames something starts outside every tag, as a browser's
// tokenizer would see it.
bool opensForbiddenTag(const std::string& s) {
    bool inTag = false;
    char quote = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (inTag) {
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                inTag = false;
            }
            continue;
        }
        if (c != '<' || i + 1 >= s.size()) continue;
        const char next = s[i + 1];
        if (next == '!' || next == '?') { // a comment or declaration: no quotes inside
            const std::size_t end = s.find('>', i);
            if (end == std::string::npos) break;
            i = end;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(next)) && next != '/') continue; // text
        for (const char* tag : {"<script", "<iframe", "<object", "<embed"})
            if (::strncasecmp(s.c_str() + i, tag, std::strlen(tag)) == 0) return true;
        inTag = true;
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
