// The cleaning of notice markup: whatever a notice holds, the cleaned text keeps no script
// tag, and cleaning it again changes nothing (so a page built from it reads the same).
#include "common.h"

#include "output/noticemarkup.h"

#include <algorithm>
#include <cctype>

using namespace pinora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::string once = safeNoticeMarkup(in);
    FUZZ_CHECK(safeNoticeMarkup(once) == once);
    std::string lower = once;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    FUZZ_CHECK(lower.find("<script") == std::string::npos);
    FUZZ_CHECK(lower.find("<iframe") == std::string::npos);
    return 0;
}
