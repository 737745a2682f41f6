// The Rich Text reader of release-1.4 message files: any bytes give lines, never more text
// than came in.
#include "common.h"

#include "db/rtf.h"

using namespace pinora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    for (const bool plainToo : {false, true}) {
        const std::vector<std::string> lines = plainToo ? messageLines(in) : rtfToLines(in);
        std::size_t chars = 0;
        for (const std::string& l : lines)
            chars += l.size();
        FUZZ_CHECK(chars <= size);
        FUZZ_CHECK(lines.size() <= size + 1);
    }
    return 0;
}
