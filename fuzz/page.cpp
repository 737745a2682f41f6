// The notice page over a fuzzed configuration and notice table. The input is the first byte
// (bits 0-2 the set, bit 3 a logo, bits 4-7 the day from 7 December 2026), CONFIG.DB's record
// laid over a fresh one, up to 32 notice records laid over slots 1.., then the message texts,
// one per listed notice, separated by form feeds.
#include "common.h"

#include "db/database.h"
#include "db/datetime.h"
#include "output/page.h"

#include <algorithm>
#include <cstring>

using namespace pinora;
using namespace pinora::fuzz;

namespace {

std::vector<std::string_view> pieces(std::string_view text) {
    std::vector<std::string_view> all;
    for (std::size_t at = 0;;) {
        const std::size_t end = text.find('\f', at);
        all.push_back(text.substr(at, end == std::string_view::npos ? end : end - at));
        if (end == std::string_view::npos) return all;
        at = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    static test::FakeServices s = servicesOver(scratch);
    static Database db(scratch.str(), s.services());
    if (size == 0) return 0;
    const EndOfRun end(scratch, {&s});
    const std::uint8_t first = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    // Laid over the fresh files as a station would have saved them.
    const std::size_t configBytes = std::min(rest.size(), sizeof(ConfigRecord));
    scratch.writeOver("CONFIG.DB", freshDatabaseFile("CONFIG.DB"), scratch / "CONFIG.DB", 16,
                      rest.substr(0, configBytes));
    rest.remove_prefix(configBytes);
    const int given = static_cast<int>(std::min<std::size_t>(32, rest.size() / sizeof(NoticeRecord)));
    const std::size_t noticeBytes = static_cast<std::size_t>(given) * sizeof(NoticeRecord);
    scratch.writeOver("NOTICE.DB", freshDatabaseFile("NOTICE.DB"), scratch / "NOTICE.DB", 16,
                      rest.substr(0, noticeBytes));
    rest.remove_prefix(noticeBytes);
    scratch.writeFresh("USER.DB", freshDatabaseFile("USER.DB"));
    const auto texts = pieces(rest);
    for (int n = 1; n <= given; ++n)
        scratch.writeFile(scratch / ("MSG/" + std::to_string(n) + ".MSG"),
                          texts[static_cast<std::size_t>(n - 1) % texts.size()]);
    if (first & 8) scratch.writeFile(scratch / "logo.gif", texts.back().substr(0, 64));

    const std::string out = scratch / "out/";
    [[maybe_unused]] static const bool kept = (scratch.keepFolder(out), true);
    scratch.makeFolder(out);
    const int set = (first & 7) + 1;
    const TDateTime day = encodeDate(2026, 12, 7) + (first >> 4);
    std::string error;
    const bool ok = writeNoticePageFile(db, set, out + "page.htm", day, &error);

    for (const std::string& name : scratch.names(out))
        FUZZ_CHECK(name == "page.htm" || name == "logo.gif", name);
    if (!ok) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(!scratch.exists(out + "page.htm"));
        return 0;
    }
    const std::string page = scratch.readFile(out + "page.htm");
    FUZZ_CHECK(page.rfind("<HTML>\r\n", 0) == 0);
    FUZZ_CHECK(page.size() >= 9 && page.compare(page.size() - 9, 9, "</HTML>\r\n") == 0);
    return 0;
}
